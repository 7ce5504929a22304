# The runner of the PostScript line scan at chosen block offsets, shared by the tests and
# the fuzz target (whichever is configured first defines it).
if(NOT TARGET inkhound_test_model)
  add_library(inkhound_test_model STATIC ${CMAKE_SOURCE_DIR}/tests/model/aligned_scan.cpp)
  target_link_libraries(inkhound_test_model PUBLIC inkhound_core)
endif()
