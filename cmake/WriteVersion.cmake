# cmake -DSOURCE_DIR=… -DOUTPUT=…/version.cpp -DVERSION=x.y.z -P WriteVersion.cmake
# Writes the version text, "x.y.z (description)" or "x.y.z" outside git, into OUTPUT when it changed.
set(text "${VERSION}")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} describe --always --dirty --tags
        OUTPUT_VARIABLE description OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(NOT failed AND description)
        set(text "${VERSION} (${description})")
    endif()
endif()
# The description ends up in a C++ string literal; keep only characters that cannot break it.
string(REGEX REPLACE "[^A-Za-z0-9 ._()+~-]" "" text "${text}")
set(content "#include \"common/version.h\"\n\nQString Version::text()\n{\n    return QStringLiteral(\"${text}\");\n}\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
endif()
if(NOT "${old}" STREQUAL "${content}")
    file(WRITE ${OUTPUT} "${content}")
endif()
