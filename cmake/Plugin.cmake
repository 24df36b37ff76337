# The plug-in libraries, built by vorn_susie_plugin(<target> <name> <folder>
# <exports source> <def> <map> <resource template>):
#   Windows: <name>.spi (32-bit) or <name>.sph (64-bit), exports from the
#   .def, runtimes linked statically so the DLL imports only system DLLs
#   (WindowsDll.cmake);
#   native: lib<target>.so, exports limited by the version script, with the
#   host-memory functions a native host frees its blocks with.
function(vorn_susie_plugin target name exports def map rc_template)
  if(VORN_WINDOWS)
    configure_file(${rc_template} ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc @ONLY)
    add_library(${target} SHARED ${exports} ${def} ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(suffix .sph)
    else()
      set(suffix .spi)
    endif()
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} PREFIX "" SUFFIX ${suffix})
    # The .def names the __stdcall functions without their @N suffixes.
    target_link_options(${target} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
    vorn_windows_dll(${target})
  else()
    add_library(${target} SHARED ${exports} ${CMAKE_CURRENT_SOURCE_DIR}/plugin/HostMemoryExports.cpp)
    target_link_options(${target} PRIVATE -Wl,--version-script=${map} -Wl,--no-undefined)
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
  endif()
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()

# The import plug-in: Vorn.spi / Vorn.sph, libvornspi.so.
vorn_susie_plugin(vornspi Vorn ${CMAKE_CURRENT_SOURCE_DIR}/plugin/SusieExports.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/plugin/Vorn.def ${CMAKE_CURRENT_SOURCE_DIR}/plugin/vornspi.map
  ${CMAKE_CURRENT_SOURCE_DIR}/plugin/Vorn.rc.in)
target_link_libraries(vornspi PRIVATE vorn_plugin)

# The archive plug-in that lists a file's frames: VornFrames.spi / .sph,
# libvornframes.so.
vorn_susie_plugin(vornframes VornFrames ${CMAKE_CURRENT_SOURCE_DIR}/archive/ArchiveExports.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/archive/VornFrames.def ${CMAKE_CURRENT_SOURCE_DIR}/archive/vornframes.map
  ${CMAKE_CURRENT_SOURCE_DIR}/archive/VornFrames.rc.in)
target_link_libraries(vornframes PRIVATE vorn_archive)
