# The version the programs report: the project version and, when built from a git checkout, the
# commit's description. version.cpp is rewritten at every build, but only when its text changes,
# so an unchanged checkout rebuilds nothing.
set(PELMORA_VERSION_SOURCE ${PROJECT_BINARY_DIR}/generated/version.cpp)
add_custom_target(version_source
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DOUTPUT=${PELMORA_VERSION_SOURCE}
            -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake
    BYPRODUCTS ${PELMORA_VERSION_SOURCE}
    COMMENT "Checking the version text"
    VERBATIM)
add_library(core_version STATIC ${PELMORA_VERSION_SOURCE} ${PROJECT_SOURCE_DIR}/src/core/common/version.h)
add_dependencies(core_version version_source)
target_include_directories(core_version PUBLIC ${PROJECT_SOURCE_DIR}/src/core)
target_link_libraries(core_version PUBLIC Qt6::Core PRIVATE project_options)
