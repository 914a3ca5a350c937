#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

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

// Write failures carry the system's reason ("No space left on device"). A failed Atomic write
// leaves the target as it was and no temporary file behind.
Result<void> writeLines(const QString &path, const QStringList &lines, Mode mode = Mode::Truncate);
Result<void> writeBytes(const QString &path, const QByteArray &bytes, Mode mode = Mode::Truncate);

// For tests: the bytes of every write whose target the hook accepts go to /dev/full instead, so the
// write fails as on a full disk (the file created or truncated, nothing written), through the same
// code and with the system's own error. An empty hook ends it.
void setFullDiskHook(std::function<bool(const QString &path)> hook);

} // namespace LineWriter
