# Qt side of the diagnostics: the installer download window.
target_sources(talvesso_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frdown.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resources/diagnostics.qrc
)
