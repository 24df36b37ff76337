# libvorn: the public C API as a shared library (ELF only: only the vorn_
# functions exported, a versioned SONAME), with the header, a pkg-config
# file and a CMake package for find_package(Vorn).
file(STRINGS ${PROJECT_SOURCE_DIR}/include/vorn/vorn.h _version REGEX "define VORN_VERSION_STRING")
if(NOT _version MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "include/vorn/vorn.h states ${_version}, the project ${PROJECT_VERSION}")
endif()
if(VORN_WINDOWS)
  return()
endif()
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(vorn SHARED)
target_link_libraries(vorn PRIVATE vorn_api)
target_include_directories(vorn INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                         $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_options(vorn PRIVATE -Wl,--version-script=${PROJECT_SOURCE_DIR}/api/libvorn.map
                    -Wl,--no-undefined)
set_target_properties(vorn PROPERTIES
  VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/api/libvorn.map
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The .pc file finds the prefix from where it lies, so the package can be
# installed under any prefix (cmake --install --prefix DIR).
file(RELATIVE_PATH VORN_PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
configure_file(${PROJECT_SOURCE_DIR}/cmake/vorn.pc.in ${CMAKE_BINARY_DIR}/vorn.pc @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/VornConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)

install(TARGETS vorn EXPORT VornTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/vorn/vorn.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vorn)
install(FILES ${CMAKE_BINARY_DIR}/vorn.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
install(EXPORT VornTargets NAMESPACE Vorn:: FILE VornTargets.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vorn)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/VornConfig.cmake ${CMAKE_BINARY_DIR}/VornConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Vorn)
