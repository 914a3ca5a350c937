#pragma once

#include <QByteArrayView>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property that does not hold is a crash to libFuzzer: it keeps the input as an artifact.
inline void check(bool holds, const char *property)
{
    if (!holds) {
        std::fprintf(stderr, "property does not hold: %s\n", property);
        std::abort();
    }
}

inline QByteArrayView fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}
