# The module's edge: host/, io/ and cli/ reach the module only through api/. Run by CTest:
#   cmake -DROOT=<source dir> -P tests/module_boundary.cmake
file(GLOB_RECURSE sources ${ROOT}/host/* ${ROOT}/io/* ${ROOT}/cli/*)
set(crossings "")
foreach(file IN LISTS sources)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](clone|params|math|random|util)/")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name ${ROOT} ${file})
    string(APPEND crossings "\n  ${name}: ${line}")
  endforeach()
endforeach()
if(crossings)
  message(FATAL_ERROR "host/, io/ and cli/ include the module past api/:${crossings}")
endif()
