# The Qt layer: every file of src/ that includes Qt is listed here, nowhere else.
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
add_library(talvesso_ui STATIC)
target_link_libraries(talvesso_ui PUBLIC talvesso_core Qt6::Widgets Qt6::Network Qt6::Svg)
