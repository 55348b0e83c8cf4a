# quillmar_add_test(NAME name SOURCES ... LIBS ...)
# Every test runs headless, in the C locale, with its own throw-away HOME so
# nothing can touch the real user's data folder.
function(quillmar_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;HOME=${CMAKE_BINARY_DIR}/test-home/${T_NAME};XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-home/${T_NAME}/share;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-home/${T_NAME}/run")
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-home/${T_NAME}/run)
endfunction()
