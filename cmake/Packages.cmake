# vn_package(<target> SOURCES ... LINKS ...)
# A package file: a shared object named <target>.bpl whose soname is its file name.
function(vn_package target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".bpl" OUTPUT_NAME ${target}
    CXX_VISIBILITY_PRESET default)
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
endfunction()
