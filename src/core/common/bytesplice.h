#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// Rewrites a file's bytes in one pass: each edit replaces the bytes [start, end) of the input.
// Edits are applied in order of their start; one that starts inside an earlier edit is dropped, so
// overlapping edits never duplicate or lose the bytes between them.
namespace ByteSplice {

struct Edit
{
    qsizetype start;
    qsizetype end;
    QByteArray bytes;
};

// The input with the edits made, after `prefix`.
QByteArray apply(QByteArrayView in, std::vector<Edit> edits, QByteArrayView prefix = {});

} // namespace ByteSplice
