quillmar_add_test(NAME tst_conversions SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tst_conversions.cpp LIBS quillmar_convert)
