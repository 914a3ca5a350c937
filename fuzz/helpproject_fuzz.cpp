#include "fuzzcheck.h"
#include "helpfile/helpproject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <limits>

using namespace HelpFile;

namespace {

// Numbers as the project writer puts them, decimal and "0x" hexadecimal, read back.
void checkNumber(const uint8_t *data, size_t size)
{
    if (size < 8)
        return;
    qint64 value = 0;
    for (int i = 0; i < 8; ++i)
        value = static_cast<qint64>(static_cast<quint64>(value) << 8 | data[i]);
    if (value == std::numeric_limits<qint64>::min())
        return;
    check(parseNumber(QString::number(value)) == value, "a decimal number reads back");
    const QString hex = QString::number(value < 0 ? -value : value, 16);
    const QString written = (value < 0 ? QStringLiteral("-0x") : QStringLiteral("0X")) + hex + QStringLiteral(" x");
    check(parseNumber(written) == value, "a hexadecimal number reads back");
}

} // namespace

// The input is a help project file (.hhp) in a project folder.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QTemporaryDir root;
    static const QString folder = [] {
        QDir(root.path()).mkdir(QStringLiteral("帮助"));
        return root.filePath(QStringLiteral("帮助"));
    }();
    const QString path = folder + QStringLiteral("/nolv.hhp");
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the project file can be written");
    check(file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) == static_cast<qint64>(size),
          "the project file is written whole");
    file.close();

    const Result<HelpProject> project = readProject(path);
    if (!project) {
        check(!project.error().isEmpty(), "a refused project says why");
    } else {
        check(project->folder == folder && project->path == path, "the project knows where it lies");
        check(project->lcid > 0 && project->lcid <= 0xFFFF, "the language is a language identifier");
        check(QDir::isAbsolutePath(project->compiledFile) &&
                  QDir::cleanPath(project->compiledFile) == project->compiledFile,
              "the output is a clean absolute path");
        check(!project->compiledName.isEmpty(), "the output has a name");
        for (const WindowDefinition &w : project->windows)
            check(!w.name.isEmpty() && !w.fields.isEmpty(), "a window has a name and fields");
        for (const QString &f : project->files)
            check(!f.isEmpty() && f == f.trimmed(), "a [FILES] entry is a trimmed name");
    }
    // A new file each time: replacing one by truncation makes the file system write it out.
    QFile::remove(path);
    checkNumber(data, size);
    return 0;
}
