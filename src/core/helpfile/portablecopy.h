#pragma once

#include "helpfile/helpproject.h"
#include "helpfile/storednames.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace HelpFile {

class FileCollector;
struct CollectedFile;

struct StoredFile
{
    QString source; // the name on disk, relative to the project folder
    QString name;   // the name inside the compiled file: ASCII, "/" separators, no leading "/"
    QByteArray data;
};

// What a link or Local value becomes in the stored copy.
struct Relink
{
    enum Kind { Keep, Replace, Missing };
    Kind kind = Keep;    // Keep: remote, an anchor, or nothing to change; Missing: local, but no file
    QByteArray target{}; // for Replace
};
using Relinker = std::function<Relink(QByteArrayView rawTarget)>;

// The copy of the collected files that goes into the compiled file, made so that readers other than
// Windows' own show every page and follow every link: they look names up by their bytes, take "\" as
// part of a name and read a page without a charset as Latin-1. The files on disk never change.
// - Every file gets an ASCII stored name (StoredNames).
// - Pages: each local href, src and background that leads to a collected file names its stored name,
//   relative to the page, with "/"; a page without a charset declaration of its own gets one for the
//   project's language at its start; a "<" that opens no tag becomes "&lt;" (outside scripts and
//   styles). No other byte changes, bytes that are not valid in the page's code page included.
// - Contents and index files: every <param> is written with its name and value quoted, each Local
//   names a stored name with "/", and an entry whose Locals all lead to no file is left out.
class PortableCopy
{
public:
    // `sitemaps` are the collected names of the contents and index files.
    PortableCopy(const HelpProject &project, const FileCollector &collector, const QStringList &sitemaps);

    const std::vector<StoredFile> &files() const { return m_files; }
    // The stored name of a collected file.
    QString storedNameOf(const QString &collectedName) const { return m_names.name(collectedName); }
    // The stored name of the file that a project name, or a link written in `fromFolder`, leads to.
    std::optional<QString> storedName(const QString &name, const QString &fromFolder = QString()) const;
    // The project with the files its options and windows name replaced by their stored names.
    const HelpProject &storedProject() const { return m_storedProject; }
    // Contents and index entries left out because they lead to no file.
    int droppedEntries() const { return m_dropped; }

private:
    Relinker relinker(const QString &fromFolder, const QString &storedFolder) const;

    const HelpProject &m_project;
    const FileCollector &m_collector;
    StoredNames m_names;
    HelpProject m_storedProject;
    std::vector<StoredFile> m_files;
    int m_dropped = 0;
};

// A page as stored: links as `relink` says, `<meta … charset=…>` and CR LF first when the page has
// no charset declaration and `charset` is not empty, stray "<" as "&lt;".
QByteArray portablePage(QByteArrayView html, const Relinker &relink, QByteArrayView charset);

// A contents or index file as stored: params quoted, Locals as `relink` says, entries whose Locals
// are all Missing left out (counted in `dropped`).
QByteArray portableSitemap(QByteArrayView sitemap, const Relinker &relink, int *dropped = nullptr);

// The charset that pages in the code page of a language are declared in: "gbk" for 0x804; empty
// for a language whose code page is not known here.
QByteArray charsetOf(quint32 lcid);

// The path from a folder to a file, both relative to one root with "/": ("a/b", "c/d.html") gives
// "../../c/d.html".
QString relativePath(const QString &fromFolder, const QString &to);

} // namespace HelpFile
