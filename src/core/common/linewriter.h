#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Every text file the program writes: GBK bytes, each line followed by CR LF, no byte-order mark.
namespace LineWriter {

enum class Mode {
    Truncate, // create or replace in place
    Append,   // add to the end, creating the file if needed
    Atomic,   // write a temporary file beside the target, then rename it over the target
};

// Appends the GBK bytes of one line and its CR LF to a buffer.
void appendLine(QByteArray &buffer, QStringView line);

// The GBK bytes of the lines, each followed by CR LF.
QByteArray encodeLines(const QStringList &lines);

Result<void> writeLines(const QString &path, const QStringList &lines, Mode mode = Mode::Truncate);
Result<void> writeBytes(const QString &path, const QByteArray &bytes, Mode mode = Mode::Truncate);

} // namespace LineWriter
