# find_package(Vorn) gives the imported target Vorn::vorn.
include("${CMAKE_CURRENT_LIST_DIR}/VornTargets.cmake")
