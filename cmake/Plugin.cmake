# The plug-in library: Vorn.spi on Windows (exports from Vorn.def, runtimes
# linked statically so the DLL imports only system DLLs: WindowsDll.cmake),
# libvornspi.so natively (exports limited by a version script).
set(_exports ${CMAKE_CURRENT_SOURCE_DIR}/plugin/SusieExports.cpp)
if(VORN_WINDOWS)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/plugin/Vorn.rc.in ${CMAKE_CURRENT_BINARY_DIR}/Vorn.rc @ONLY)
  add_library(vornspi SHARED ${_exports} ${CMAKE_CURRENT_SOURCE_DIR}/plugin/Vorn.def
              ${CMAKE_CURRENT_BINARY_DIR}/Vorn.rc)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_suffix .sph)
  else()
    set(_suffix .spi)
  endif()
  set_target_properties(vornspi PROPERTIES OUTPUT_NAME Vorn PREFIX "" SUFFIX ${_suffix})
  # The .def names the __stdcall functions without their @N suffixes.
  target_link_options(vornspi PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  vorn_windows_dll(vornspi)
else()
  add_library(vornspi SHARED ${_exports})
  target_link_options(vornspi PRIVATE
    -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/plugin/vornspi.map -Wl,--no-undefined)
  set_target_properties(vornspi PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/plugin/vornspi.map)
endif()
target_link_libraries(vornspi PRIVATE vorn_plugin)
set_target_properties(vornspi PROPERTIES
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
