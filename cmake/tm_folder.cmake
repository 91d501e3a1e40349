# tm_add_layer(<folder> [<library> ...]): every .cpp under the folder (but not its
# main programs, named main_*.cpp) becomes the static library tm_<folder>, which
# links the libraries named (the layer below it) and nothing else, so a call that
# climbs a layer does not link.
function(tm_add_layer folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main_[^/]*\\.cpp$")
  list(FILTER sources EXCLUDE REGEX "/messages/msggen\\.cpp$")
  add_library(tm_${folder} STATIC ${sources})
  if(NOT sources)
    target_sources(tm_${folder} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  target_include_directories(tm_${folder} PUBLIC ${CMAKE_SOURCE_DIR} ${TM_GENERATED_DIR})
  target_link_libraries(tm_${folder} PUBLIC ${ARGN})
  add_dependencies(tm_${folder} tm_events)
endfunction()
