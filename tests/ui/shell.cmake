# Qt Test programs of the application shell (main window, login, notice, start-up).
if(NOT TARGET Qt6::Test)
  message(STATUS "Qt Test not found: the shell's UI tests are not built")
  return()
endif()

foreach(name shell_startup shell_update shell_login shell_notice shell_main_window)
  add_executable(test_${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/shell_fixture.cpp)
  target_link_libraries(test_${name} PRIVATE talvesso_ui talvesso_test_support Qt6::Test)
  add_test(NAME ${name} COMMAND test_${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endforeach()
