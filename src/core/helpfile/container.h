#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <vector>

// The ITSF container of a compiled help file: headers, the PMGL/PMGI directory, the uncompressed
// section 0 and the LZX-compressed section 1 with its control data and reset table.
namespace HelpFile {

struct ContainerFile
{
    QByteArray name; // UTF-8 with "/" separators: "/dir/page.html", "/#SYSTEM"
    QByteArray data;
    bool stored = false; // goes into section 0, uncompressed, instead of section 1
};

struct ContainerOptions
{
    quint32 lcid = 0x0804;
    quint32 timestamp = 0;
    int threads = 0; // compression threads, 0 for one per core
    // Called on the calling thread as the files are compressed: how many of them, from the first in
    // the order given, are done. It rises by one a call, from 1 to the number of files; a file kept
    // uncompressed or empty counts as done with the last compressed one before it.
    std::function<void(int done)> filesDone;
};

// Variable-length directory integer: 7 bits a byte, most significant group first.
QByteArray encodeEncint(quint64 value);

// Directory order: ASCII letters folded to lower case, then unsigned bytes, shorter first.
bool directoryLess(QByteArrayView a, QByteArrayView b);

// The whole file. Folder entries ("/", "/dir/") are added for every folder a name lies in. Empty
// files are listed in section 0 at offset 0. Fails on two names that differ only in ASCII case and on
// a name too long for a directory chunk.
Result<QByteArray> buildContainer(const std::vector<ContainerFile> &files, const ContainerOptions &options);

} // namespace HelpFile
