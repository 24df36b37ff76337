# zlib, libdeflate and libjpeg: Debian's packages natively; for the MinGW
# builds the static MinGW zlib and static libdeflate and libjpeg-turbo built
# by tools/setup.sh from Debian's source packages, so that the DLL imports
# only system DLLs.
if(VORN_WINDOWS)
  set(VORN_DEPS_PREFIX "/opt/vorn-deps" CACHE PATH "Where tools/setup.sh installs the MinGW libraries")
  set(_triple ${VORN_MINGW_TRIPLE})
  find_library(VORN_ZLIB_A NAMES libz.a PATHS /usr/${_triple}/lib NO_DEFAULT_PATH REQUIRED)
  find_library(VORN_JPEG_A NAMES libjpeg.a PATHS ${VORN_DEPS_PREFIX}/${_triple}/lib NO_DEFAULT_PATH REQUIRED)
  add_library(Vorn::ZLIB STATIC IMPORTED)
  set_target_properties(Vorn::ZLIB PROPERTIES IMPORTED_LOCATION ${VORN_ZLIB_A}
    INTERFACE_INCLUDE_DIRECTORIES /usr/${_triple}/include)
  find_library(VORN_DEFLATE_A NAMES libdeflate.a PATHS ${VORN_DEPS_PREFIX}/${_triple}/lib NO_DEFAULT_PATH REQUIRED)
  add_library(Vorn::Deflate STATIC IMPORTED)
  set_target_properties(Vorn::Deflate PROPERTIES IMPORTED_LOCATION ${VORN_DEFLATE_A}
    INTERFACE_INCLUDE_DIRECTORIES ${VORN_DEPS_PREFIX}/${_triple}/include)
  add_library(Vorn::JPEG STATIC IMPORTED)
  set_target_properties(Vorn::JPEG PROPERTIES IMPORTED_LOCATION ${VORN_JPEG_A}
    INTERFACE_INCLUDE_DIRECTORIES ${VORN_DEPS_PREFIX}/${_triple}/include)
else()
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  add_library(Vorn::ZLIB INTERFACE IMPORTED)
  target_link_libraries(Vorn::ZLIB INTERFACE ZLIB::ZLIB)
  add_library(Vorn::JPEG INTERFACE IMPORTED)
  target_link_libraries(Vorn::JPEG INTERFACE JPEG::JPEG)
  find_path(VORN_DEFLATE_INCLUDE NAMES libdeflate.h REQUIRED)
  find_library(VORN_DEFLATE_LIB NAMES deflate REQUIRED)
  add_library(Vorn::Deflate UNKNOWN IMPORTED)
  set_target_properties(Vorn::Deflate PROPERTIES IMPORTED_LOCATION ${VORN_DEFLATE_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${VORN_DEFLATE_INCLUDE})
endif()
