#pragma once

// Readers of compiled help files used to check what the compiler writes: chmlib (its directory
// walk and its indexed lookup), libmspack when it is installed, and 7-Zip when `7zz` is on PATH.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <chm_lib.h>
#ifdef PELMORA_HAVE_MSPACK
#include <mspack.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ChmTest {

using Files = QMap<QByteArray, QByteArray>; // "/dir/name" (UTF-8) -> bytes

struct ReadBack
{
    bool opened = false;
    Files files;          // every entry that is not a folder
    QStringList problems; // anything a reader refused or got wrong
};

// chmlib: every entry of the directory walk, each also looked up by name through the index.
inline ReadBack readWithChmlib(const QString &path)
{
    ReadBack out;
    chmFile *chm = chm_open(QFile::encodeName(path).constData());
    if (!chm) {
        out.problems << QStringLiteral("chmlib cannot open the file");
        return out;
    }
    out.opened = true;
    std::vector<chmUnitInfo> units;
    const auto collect = [](chmFile *, chmUnitInfo *ui, void *context) -> int {
        static_cast<std::vector<chmUnitInfo> *>(context)->push_back(*ui);
        return CHM_ENUMERATOR_CONTINUE;
    };
    if (!chm_enumerate(chm, CHM_ENUMERATE_ALL, collect, &units))
        out.problems << QStringLiteral("chmlib stopped walking the directory");
    for (chmUnitInfo &ui : units) {
        const QByteArray name(ui.path);
        if (name.endsWith('/'))
            continue;
        chmUnitInfo found{};
        if (chm_resolve_object(chm, ui.path, &found) != CHM_RESOLVE_SUCCESS || found.start != ui.start ||
            found.length != ui.length)
            out.problems << QStringLiteral("chmlib lookup misses ") + QString::fromUtf8(name);
        QByteArray data(static_cast<qsizetype>(ui.length), '\0');
        const LONGINT64 got = ui.length == 0
                                  ? 0
                                  : chm_retrieve_object(chm, &ui, reinterpret_cast<unsigned char *>(data.data()), 0,
                                                        static_cast<LONGINT64>(ui.length));
        if (got != static_cast<LONGINT64>(ui.length))
            out.problems << QStringLiteral("chmlib cannot read ") + QString::fromUtf8(name);
        out.files.insert(name, data);
    }
    chm_close(chm);
    return out;
}

inline bool haveMspack()
{
#ifdef PELMORA_HAVE_MSPACK
    return true;
#else
    return false;
#endif
}

#ifdef PELMORA_HAVE_MSPACK
// libmspack reads the compiled file from memory and extracts into memory, so that thousands of files
// cost no file system work.
struct MemoryFile
{
    QByteArray *data;
    qint64 position = 0;
};

struct MemorySystem
{
    mspack_system base;
    QByteArray input;
    QByteArray output;
};

inline mspack_file *memoryOpen(mspack_system *self, const char *, int mode)
{
    auto *system = reinterpret_cast<MemorySystem *>(self);
    if (mode == MSPACK_SYS_OPEN_READ)
        return reinterpret_cast<mspack_file *>(new MemoryFile{&system->input});
    system->output.clear();
    return reinterpret_cast<mspack_file *>(new MemoryFile{&system->output});
}

inline void memoryClose(mspack_file *file)
{
    delete reinterpret_cast<MemoryFile *>(file);
}

inline int memoryRead(mspack_file *file, void *buffer, int bytes)
{
    auto *f = reinterpret_cast<MemoryFile *>(file);
    const qint64 n = std::clamp<qint64>(f->data->size() - f->position, 0, bytes);
    std::memcpy(buffer, f->data->constData() + f->position, static_cast<size_t>(n));
    f->position += n;
    return static_cast<int>(n);
}

inline int memoryWrite(mspack_file *file, void *buffer, int bytes)
{
    auto *f = reinterpret_cast<MemoryFile *>(file);
    f->data->append(static_cast<const char *>(buffer), bytes);
    return bytes;
}

inline int memorySeek(mspack_file *file, off_t offset, int mode)
{
    auto *f = reinterpret_cast<MemoryFile *>(file);
    const qint64 base = mode == MSPACK_SYS_SEEK_START ? 0 : mode == MSPACK_SYS_SEEK_CUR ? f->position : f->data->size();
    if (base + offset < 0 || base + offset > f->data->size())
        return 1;
    f->position = base + offset;
    return 0;
}

inline off_t memoryTell(mspack_file *file)
{
    return static_cast<off_t>(reinterpret_cast<MemoryFile *>(file)->position);
}

inline void memoryMessage(mspack_file *, const char *, ...) {}

inline void *memoryAlloc(mspack_system *, size_t bytes)
{
    return std::malloc(bytes);
}

inline void memoryCopy(void *source, void *target, size_t bytes)
{
    std::memmove(target, source, bytes);
}
#endif

// libmspack: extracts every file and finds each again through the quickref lookup.
inline ReadBack readWithMspack(const QString &path)
{
    ReadBack out;
#ifdef PELMORA_HAVE_MSPACK
    MemorySystem system{{memoryOpen, memoryClose, memoryRead, memoryWrite, memorySeek, memoryTell, memoryMessage,
                         memoryAlloc, std::free, memoryCopy, nullptr},
                        {},
                        {}};
    QFile input(path);
    if (input.open(QIODevice::ReadOnly))
        system.input = input.readAll();
    mschm_decompressor *chmd = mspack_create_chm_decompressor(&system.base);
    mschmd_header *chm = chmd->open(chmd, "input.chm");
    mschmd_header *fast = chmd->fast_open(chmd, "input.chm");
    if (!chm || !fast) {
        out.problems << QStringLiteral("libmspack cannot open the file (error %1)").arg(chmd->last_error(chmd));
    } else {
        out.opened = true;
        for (mschmd_file *f = chm->files; f; f = f->next) {
            if (chmd->extract(chmd, f, "output") != MSPACK_ERR_OK) {
                out.problems << QStringLiteral("libmspack cannot extract ") + QString::fromUtf8(f->filename);
                continue;
            }
            out.files.insert(QByteArray(f->filename), system.output);
            mschmd_file found{};
            if (chmd->fast_find(chmd, fast, f->filename, &found, sizeof found) != MSPACK_ERR_OK || !found.section ||
                found.offset != f->offset || found.length != f->length)
                out.problems << QStringLiteral("libmspack lookup misses ") + QString::fromUtf8(f->filename);
        }
    }
    if (fast)
        chmd->close(chmd, fast);
    if (chm)
        chmd->close(chmd, chm);
    mspack_destroy_chm_decompressor(chmd);
#else
    Q_UNUSED(path);
#endif
    return out;
}

inline QString sevenZip()
{
    return QStandardPaths::findExecutable(QStringLiteral("7zz"));
}

inline QString runSevenZip(const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(sevenZip(), arguments);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAll()) + QStringLiteral("\nexit code %1").arg(p.exitCode());
}

// 7-Zip: `7zz t` must pass and `7zz x` must extract every file (when `extract`).
inline ReadBack readWithSevenZip(const QString &path, bool extract = true)
{
    ReadBack out;
    const QString test = runSevenZip({QStringLiteral("t"), path});
    if (!test.contains(QLatin1String("Everything is Ok")) || test.contains(QLatin1String("ERRORS")))
        out.problems << QStringLiteral("7zz t: ") + test;
    const QString list = runSevenZip({QStringLiteral("l"), path});
    if (list.contains(QLatin1String("ERRORS")) || list.contains(QLatin1String("Unsupported")))
        out.problems << QStringLiteral("7zz l: ") + list;
    QTemporaryDir dir;
    if (extract) {
        const QString log =
            runSevenZip({QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-o") + dir.path(), path});
        if (!log.contains(QLatin1String("Everything is Ok")))
            out.problems << QStringLiteral("7zz x: ") + log;
    }
    out.opened = out.problems.isEmpty();
    QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        out.files.insert(QByteArray("/") + QDir(dir.path()).relativeFilePath(file).toUtf8(), f.readAll());
    }
    return out;
}

// What differs between the files a reader got back and those expected (only expected names count).
inline QStringList differences(const Files &expected, const Files &actual)
{
    QStringList out;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const auto found = actual.constFind(it.key());
        if (found == actual.cend())
            out << QStringLiteral("missing ") + QString::fromUtf8(it.key());
        else if (*found != it.value())
            out << QStringLiteral("differs ") + QString::fromUtf8(it.key());
    }
    return out;
}

} // namespace ChmTest
