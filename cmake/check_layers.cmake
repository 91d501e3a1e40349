# Refuses an include that climbs a layer. Run as
#   cmake -DTM_ROOT=<tree> -DTM_LAYERS=platform,core,... -P check_layers.cmake
# A file in a layer folder may include headers of its own layer and of the layers
# listed before it; tools/ may include core and platform. tests/ and bench/ are not
# checked: they may include anything.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "," ";" layers "${TM_LAYERS}")
set(climbs 0)

# check_folder(<folder> <folders it may include> ...)
function(check_folder folder)
  set(allowed ${ARGN})
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${TM_ROOT}
       ${TM_ROOT}/${folder}/*.h ${TM_ROOT}/${folder}/*.cpp)
  list(SORT files)
  foreach(file ${files})
    file(STRINGS ${TM_ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][a-z_]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]+)[\">].*$" "\\1" header "${line}")
      string(REGEX REPLACE "/.*$" "" target "${header}")
      if(target IN_LIST layers OR target STREQUAL "tools")
        if(NOT target IN_LIST allowed)
          message(NOTICE "${file}: includes ${header}, a layer above ${folder}")
          math(EXPR climbs "${climbs} + 1")
        endif()
      endif()
    endforeach()
  endforeach()
  set(climbs ${climbs} PARENT_SCOPE)
endfunction()

set(below "")
foreach(layer ${layers})
  list(APPEND below ${layer})
  check_folder(${layer} ${below})
endforeach()
check_folder(tools platform core tools)

if(climbs GREATER 0)
  message(FATAL_ERROR "${climbs} include(s) climb a layer")
endif()
message(STATUS "No include climbs a layer")
