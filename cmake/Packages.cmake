# vn_package(<target> SOURCES ... LINKS ...)
# A package file: a shared object named <target>.bpl whose soname is its file name.
function(vn_package target)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${target} SHARED ${ARG_SOURCES})
  set_target_properties(${target} PROPERTIES
    PREFIX "" SUFFIX ".bpl" OUTPUT_NAME ${target}
    CXX_VISIBILITY_PRESET default)
  # A package's calls of its own functions are bound when it is linked, not
  # looked up by name across every loaded library when it loads.
  target_link_options(${target} PRIVATE -Wl,-Bsymbolic-functions)
  target_link_libraries(${target} PUBLIC ${ARG_LINKS})
endfunction()

# vn_package_info(<target> FLAGS <number> [REQUIRES <packages>] [CONTAINS <units>]
#                 [RCDATA <name> <file> ...])
# Gives <target> a PACKAGEINFO resource: its flags, the packages it requires and
# the units it contains (the first is the package's main unit); and an RCDATA
# resource <name> for each <file> (relative to the calling folder), a form
# description, say.
function(vn_package_info target)
  cmake_parse_arguments(ARG "" "FLAGS" "REQUIRES;CONTAINS;RCDATA" ${ARGN})
  list(LENGTH ARG_REQUIRES requires_count)
  list(LENGTH ARG_CONTAINS contains_count)
  set(rc "PACKAGEINFO RCDATA\nBEGIN\n  ${ARG_FLAGS}L,\n  ${requires_count}L")
  foreach(required IN LISTS ARG_REQUIRES)
    string(APPEND rc ",\n  \"${required}\\0\"")
  endforeach()
  string(APPEND rc ",\n  ${contains_count}L")
  set(flags "\\x03")
  foreach(unit IN LISTS ARG_CONTAINS)
    string(APPEND rc ",\n  \"${flags}\", \"${unit}\\0\"")
    set(flags "\\x00")
  endforeach()
  string(APPEND rc "\nEND\n")
  while(ARG_RCDATA)
    list(POP_FRONT ARG_RCDATA name file)
    get_filename_component(file "${file}" ABSOLUTE)
    string(APPEND rc "${name} RCDATA \"${file}\"\n")
  endwhile()
  set(rc_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_info.rc")
  # Written only when it changes: a new time stamp would relink the package at
  # every configure.
  set(old_rc "")
  if(EXISTS "${rc_file}")
    file(READ "${rc_file}" old_rc)
  endif()
  if(NOT old_rc STREQUAL rc)
    file(WRITE "${rc_file}" "${rc}")
  endif()
  vn_package_resources(${target} "${rc_file}")
endfunction()
