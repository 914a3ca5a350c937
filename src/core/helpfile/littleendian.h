#pragma once

#include <QByteArray>

// Little-endian integers appended to the byte images of the help file's internal files.
namespace HelpFile::LittleEndian {

inline void putWord(QByteArray &out, quint32 v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

inline void putDword(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

inline void putQword(QByteArray &out, quint64 v)
{
    for (int i = 0; i < 8; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Overwrites the integer at `at`, which must lie inside `out`.
inline void setWord(QByteArray &out, qsizetype at, quint32 v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void setDword(QByteArray &out, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace HelpFile::LittleEndian
