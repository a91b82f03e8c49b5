# Qt side of the file server: the transfer list, its panel and feed, and the sharing control.
target_sources(talvesso_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/background_calls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sharing_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_feed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_list_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_snapshot.cpp
)
