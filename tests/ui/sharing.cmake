# Qt Test programs of sharing: the transfer list, the start/stop command, the timers.
if(NOT TARGET Qt6::Test)
  return()
endif()

foreach(name sharing_list sharing_command sharing_timers)
  add_executable(test_${name} ${CMAKE_CURRENT_SOURCE_DIR}/${name}_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/sharing_fixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/shell_fixture.cpp
    ${CMAKE_SOURCE_DIR}/tests/diagnostics/nettestd_fixture.cpp)
  target_include_directories(test_${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE talvesso_ui talvesso_test_support Qt6::Test)
  add_test(NAME ${name} COMMAND test_${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endforeach()
