# Qt side of the application shell: main window, login, account, home panel, start-up;
# and the program itself.
target_sources(talvesso_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/account.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frlogin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/home_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screenshot_tour.cpp
  ${CMAKE_CURRENT_LIST_DIR}/server_program.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources/artwork.qrc
)

# The embedded browser when Qt WebEngine is installed; the plain fallback otherwise.
if(TARGET Qt6::WebEngineWidgets)
  target_link_libraries(talvesso_ui PUBLIC Qt6::WebEngineWidgets)
  target_compile_definitions(talvesso_ui PUBLIC TALVESSO_HAVE_WEBENGINE)
  message(STATUS "Home panel: Qt WebEngine")
else()
  message(STATUS "Home panel: address and system browser (Qt WebEngine not found)")
endif()

add_executable(talvesso-server ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(talvesso-server PRIVATE talvesso_ui)
