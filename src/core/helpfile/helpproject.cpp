#include "helpfile/helpproject.h"

#include "common/gbkcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace HelpFile {

namespace {

bool usesGbk(quint32 lcid)
{
    return codePageOf(lcid) == 936;
}

// Splits at LF and drops a CR before it. GBK never has these bytes inside a character.
QList<QByteArray> splitLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

QString unquote(QString text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

// Fields of a window line: quoted strings, bare values and one "[l,t,r,b]" group, comma-separated.
QStringList windowFields(QStringView text)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    bool bracket = false;
    for (QChar c : text) {
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else
                field.append(c);
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (bracket) {
            field.append(c);
            bracket = c != QLatin1Char(']');
        } else if (c == QLatin1Char('[')) {
            field.append(c);
            bracket = true;
        } else if (c == QLatin1Char(',')) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field.append(c);
        }
    }
    fields.append(field.trimmed());
    return fields;
}

} // namespace

quint32 codePageOf(quint32 lcid)
{
    switch (lcid) {
    case 0x0804: // Chinese (PRC)
    case 0x1004: // Chinese (Singapore)
        return 936;
    case 0x0404: // Chinese (Taiwan)
    case 0x0C04: // Chinese (Hong Kong)
    case 0x1404: // Chinese (Macao)
        return 950;
    case 0x0411:
        return 932;
    case 0x0412:
        return 949;
    default:
        return 1252;
    }
}

std::optional<qint64> parseNumber(QStringView text)
{
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(QLatin1Char('-'))) {
        negative = true;
        text = text.mid(1);
    }
    int base = 10;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        text = text.mid(2);
    }
    qsizetype end = 0;
    const auto digit = [base](QChar c) {
        const char16_t u = c.unicode();
        return (u >= '0' && u <= '9') || (base == 16 && ((u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F')));
    };
    while (end < text.size() && digit(text[end]))
        ++end;
    if (end == 0)
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.left(end).toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return negative ? -value : value;
}

const WindowDefinition *HelpProject::window(const QString &name) const
{
    for (const WindowDefinition &w : windows) {
        if (w.name.compare(name, Qt::CaseInsensitive) == 0)
            return &w;
    }
    return nullptr;
}

QString HelpProject::decode(QByteArrayView bytes) const
{
    return usesGbk(lcid) ? Gbk::decode(bytes) : QString::fromLatin1(bytes);
}

QByteArray HelpProject::encode(QStringView text) const
{
    return usesGbk(lcid) ? Gbk::encode(text) : text.toLatin1();
}

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

Result<QByteArray> readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(
            QStringLiteral("Cannot read the help project %1: %2").arg(native(path), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Result<QByteArray>::failure(
            QStringLiteral("Cannot read the help project %1: %2").arg(native(path), file.errorString()));
    return bytes;
}

// The language picks the code page of everything else, so it is found first; its line is ASCII.
// Answers whether the project names one.
Result<bool> readLanguage(const QList<QByteArray> &lines, const QString &path, HelpProject &project)
{
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || line.left(eq).trimmed().toLower() != "language")
            continue;
        const auto lcid = parseNumber(QString::fromLatin1(line.mid(eq + 1)));
        if (!lcid || *lcid <= 0 || *lcid > 0xFFFF)
            return Result<bool>::failure(QStringLiteral("The help project %1 names an unknown language: %2")
                                             .arg(native(path), QString::fromLatin1(line.mid(eq + 1)).trimmed()));
        project.lcid = static_cast<quint32>(*lcid);
        return true;
    }
    return false;
}

// Only GBK and ASCII can be read here: a project in another code page must keep to ASCII.
Result<void> checkCodePage(const QByteArray &bytes, const QString &path, const HelpProject &project)
{
    if (usesGbk(project.lcid))
        return {};
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return Result<void>::failure(
                QStringLiteral("The help project %1 uses language 0x%2, whose code page cannot be read here.")
                    .arg(native(path))
                    .arg(project.lcid, 0, 16));
    }
    return {};
}

enum class Section { None, Options, Windows, Files, Other };

Section sectionNamed(const QString &name)
{
    if (name == QLatin1String("OPTIONS"))
        return Section::Options;
    if (name == QLatin1String("WINDOWS"))
        return Section::Windows;
    if (name == QLatin1String("FILES"))
        return Section::Files;
    return Section::Other;
}

void readOption(const QString &line, HelpProject &project)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return;
    const QString key = line.left(eq).trimmed().toLower();
    const QString value = line.mid(eq + 1).trimmed();
    if (key == QLatin1String("compatibility"))
        project.compatibility10 = value.startsWith(QLatin1String("1.0"));
    else if (key == QLatin1String("compiled file"))
        project.compiledName = unquote(value);
    else if (key == QLatin1String("contents file"))
        project.contentsFile = unquote(value);
    else if (key == QLatin1String("index file"))
        project.indexFile = unquote(value);
    else if (key == QLatin1String("default window"))
        project.defaultWindow = unquote(value);
    else if (key == QLatin1String("default topic"))
        project.defaultTopic = unquote(value);
    else if (key == QLatin1String("default font"))
        project.defaultFont = unquote(value);
    else if (key == QLatin1String("title"))
        project.title = unquote(value);
}

void readSectionLine(Section section, const QString &line, HelpProject &project)
{
    switch (section) {
    case Section::Options:
        readOption(line, project);
        break;
    case Section::Windows:
        if (const qsizetype eq = line.indexOf(QLatin1Char('=')); eq > 0)
            project.windows.push_back({line.left(eq).trimmed(), windowFields(QStringView(line).mid(eq + 1))});
        break;
    case Section::Files:
        project.files.append(line);
        break;
    case Section::None:
    case Section::Other:
        break;
    }
}

// Reads every section into `project`; answers whether any of them is one the compiler knows.
bool readSections(const QList<QByteArray> &lines, bool utf8, HelpProject &project)
{
    Section section = Section::None;
    bool known = false;
    for (const QByteArray &rawLine : lines) {
        const QString line = (utf8 ? QString::fromUtf8(rawLine) : project.decode(rawLine)).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed().toUpper();
            section = sectionNamed(name);
            known = known || section != Section::Other || name == QLatin1String("INFOTYPES");
            continue;
        }
        readSectionLine(section, line, project);
    }
    return known;
}

} // namespace

Result<HelpProject> readProject(const QString &path)
{
    Result<QByteArray> read = readBytes(path);
    if (!read)
        return failureFrom<HelpProject>(read);
    QByteArray &bytes = *read;

    HelpProject project;
    const QFileInfo info(path);
    project.path = info.absoluteFilePath();
    project.folder = info.absolutePath();
    const bool utf8 = bytes.startsWith("\xEF\xBB\xBF");
    if (utf8)
        bytes.remove(0, 3);
    const QList<QByteArray> lines = splitLines(bytes);

    const Result<bool> languageSeen = readLanguage(lines, path, project);
    if (!languageSeen)
        return failureFrom<HelpProject>(languageSeen);
    if (*languageSeen && !utf8) {
        if (Result<void> r = checkCodePage(bytes, path, project); !r)
            return failureFrom<HelpProject>(r);
    }
    if (!readSections(lines, utf8, project))
        return Result<HelpProject>::failure(
            QStringLiteral("%1 is not a help project: it has no [OPTIONS] or [FILES] section.").arg(native(path)));

    if (project.compiledName.isEmpty())
        project.compiledName = info.completeBaseName() + QStringLiteral(".chm");
    QString output = project.compiledName;
    output.replace(QLatin1Char('\\'), QLatin1Char('/'));
    project.compiledFile = QDir::cleanPath(QDir(project.folder).absoluteFilePath(output));
    return project;
}

} // namespace HelpFile
