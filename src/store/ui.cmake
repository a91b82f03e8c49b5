# Qt side of the store: the settings, shared-folder and picker windows and the folder list.
target_sources(talvesso_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/charbox.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frsetupfolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frsvrconfig.cpp
  ${CMAKE_CURRENT_LIST_DIR}/share_folder_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/share_folder_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store_resources.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources/store.qrc
)
