# What every DLL of this project needs so that a host may load and unload it
# any number of times in one process:
#   vorn_windows_dll(<target>)
# links the C, C++ and thread runtimes statically (the DLL imports only
# system DLLs), the thread runtime being the winpthreads tools/setup.sh
# builds with pthread_dll_unload_np: Debian's copy releases nothing when a
# DLL that contains it is unloaded, and each load left its TLS index and
# handles behind. The DLL's entry point (plugin/DllEntry.cpp) calls it last.
find_path(VORN_DLL_PTHREAD_DIR NAMES libpthread.a
  PATHS ${VORN_DEPS_PREFIX}/${VORN_MINGW_TRIPLE}/winpthreads/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  REQUIRED DOC "The winpthreads for DLLs that tools/setup.sh builds")
add_library(vorn_dll_entry OBJECT ${CMAKE_CURRENT_LIST_DIR}/../plugin/DllEntry.cpp)

function(vorn_windows_dll target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _VornDllEntry@12)
  else()
    set(entry VornDllEntry)
  endif()
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:vorn_dll_entry>)
  # The compiler driver's -lpthread finds this directory's library first.
  target_link_options(${target} PRIVATE -L${VORN_DLL_PTHREAD_DIR} -static -static-libgcc
                      -static-libstdc++ -Wl,--entry=${entry})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VORN_DLL_PTHREAD_DIR}/libpthread.a)
endfunction()
