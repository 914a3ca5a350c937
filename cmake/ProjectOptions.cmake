add_library(project_options INTERFACE)
target_compile_features(project_options INTERFACE cxx_std_20)
target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow
    -Wold-style-cast -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual)
target_compile_definitions(project_options INTERFACE QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_USE_QSTRINGBUILDER)
