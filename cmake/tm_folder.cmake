# tm_add_folder(<folder>): every .cpp under the folder (but not its main programs,
# named main_*.cpp) becomes part of the object library tm_<folder>.
function(tm_add_folder folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main_[^/]*\\.cpp$")
  list(FILTER sources EXCLUDE REGEX "/messages/msggen\\.cpp$")
  add_library(tm_${folder} OBJECT ${sources})
  if(NOT sources)
    target_sources(tm_${folder} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  target_include_directories(tm_${folder} PUBLIC ${CMAKE_SOURCE_DIR} ${TM_GENERATED_DIR})
  target_link_libraries(tm_${folder} PUBLIC XercesC::XercesC Threads::Threads)
  add_dependencies(tm_${folder} tm_events)
endfunction()
