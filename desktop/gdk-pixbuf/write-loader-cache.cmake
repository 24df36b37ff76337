# Writes a gdk-pixbuf loader cache naming one module:
#   cmake -DQUERY=gdk-pixbuf-query-loaders -DMODULE=lib.so -DCACHE=out [-DPRELOAD=libasan.so] -P this
# PRELOAD: the sanitizer runtime a sanitized module needs in a program that
# was not built with it.
set(_env "")
if(PRELOAD)
  set(_env ${CMAKE_COMMAND} -E env LD_PRELOAD=${PRELOAD} ASAN_OPTIONS=detect_leaks=0)
endif()
execute_process(COMMAND ${_env} ${QUERY} ${MODULE} OUTPUT_VARIABLE _cache ERROR_VARIABLE _errors
                RESULT_VARIABLE _result)
if(NOT _result EQUAL 0 OR NOT _cache MATCHES "\"vorn\"")
  message(FATAL_ERROR "${QUERY} ${MODULE} failed (${_result}):\n${_errors}${_cache}")
endif()
file(WRITE ${CACHE} "${_cache}")
