find_package(GTest REQUIRED)
include(GoogleTest)

# add_gtest(name sources... LIBS libs...): one GoogleTest executable, run inside a QCoreApplication
# so that tests can wait for signals; cases are discovered by CTest.
function(add_gtest name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} test_support test_main project_options)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS unit)
endfunction()

# add_qtest(name sources... LIBS libs...): one Qt Test executable, one CTest case.
function(add_qtest name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} test_support Qt6::Test project_options)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS qt)
endfunction()

# One GoogleTest executable of every *_test.cpp in the calling folder.
function(add_folder_gtest name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    if(sources)
        add_gtest(${name} ${sources} LIBS ${ARGN})
    endif()
endfunction()
