# zolk_sources_listed([RECURSE] FILES...): every .cpp of the calling folder (and, with RECURSE,
# of the folders below it) must be one of FILES (its CMakeLists.txt names its sources one by
# one). A file added without its line there would otherwise be left out of the build without a
# word, and a test file never run.
function(zolk_sources_listed)
  set(files ${ARGN})
  set(how GLOB)
  if(files AND "${ARGV0}" STREQUAL "RECURSE")
    list(REMOVE_AT files 0)
    set(how GLOB_RECURSE)
  endif()
  file(${how} present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(file ${present})
    if(NOT file IN_LIST files)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${file} is named nowhere in its CMakeLists.txt")
    endif()
  endforeach()
endfunction()
