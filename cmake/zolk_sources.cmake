# zolk_sources_listed(FILES...): every .cpp of the calling folder must be one of FILES (its
# CMakeLists.txt names its sources one by one). A file added without its line there would
# otherwise be left out of the build without a word, and a test file never run.
function(zolk_sources_listed)
  file(GLOB present RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(file ${present})
    if(NOT file IN_LIST ARGN)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${file} is named nowhere in its CMakeLists.txt")
    endif()
  endforeach()
endfunction()
