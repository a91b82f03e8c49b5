# Qt side of the catalogue: the folder update command and its progress window.
target_sources(talvesso_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/file_copy_animation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frupdatefolder.cpp
)
