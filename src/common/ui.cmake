# Qt side of the common services: notice popup, prompts with real windows, registry,
# single-instance guard, program folder.
target_sources(talvesso_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmsgdlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/single_instance.cpp
  ${CMAKE_CURRENT_LIST_DIR}/widget_prompts.cpp
)
