# The windowed program, its Qt library and its Qt Test suite.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Multimedia Test)
find_package(JPEG REQUIRED)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTORCC ON)
