#pragma once

// Reads an EPUB back the way a checker or a reader does: libzip for the entries, epubcheck for the
// verdict, and a plain XML reader for the documents' text and links.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <zip.h>

namespace EpubTest {

struct Book
{
    bool opened = false;
    QStringList names;               // entries in stored order
    QMap<QString, QByteArray> files; // name -> bytes
    QMap<QString, int> methods;      // name -> compression method
};

inline Book readBook(const QString &path)
{
    Book book;
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive)
        return book;
    book.opened = true;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        QByteArray data(static_cast<qsizetype>(stat.size), '\0');
        zip_file_t *file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        if (file) {
            zip_fread(file, data.data(), stat.size);
            zip_fclose(file);
        }
        const QString name = QString::fromUtf8(stat.name);
        book.names << name;
        book.files.insert(name, data);
        book.methods.insert(name, stat.comp_method);
    }
    zip_close(archive);
    return book;
}

struct Verdict
{
    bool ran = false;
    bool clean = false;
    QString output;
};

// epubcheck's verdict: clean means no fatal error, error or warning. Debian's epubcheck is a jar
// that runs directly only where binfmt knows jars, so it is started through java.
inline Verdict epubcheck(const QString &path)
{
    Verdict verdict;
    const QString jar = QStringLiteral("/usr/share/java/epubcheck.jar");
    const QString java = QStandardPaths::findExecutable(QStringLiteral("java"));
    if (java.isEmpty() || !QFile::exists(jar))
        return verdict;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(java, {QStringLiteral("-jar"), jar, path});
    verdict.ran = process.waitForFinished(300000);
    verdict.output = QString::fromUtf8(process.readAll());
    verdict.clean = verdict.ran && process.exitCode() == 0 && !verdict.output.contains(QLatin1String("WARNING(")) &&
                    !verdict.output.contains(QLatin1String("ERROR(")) &&
                    !verdict.output.contains(QLatin1String("FATAL("));
    return verdict;
}

// The text of the element with this class attribute (the first), whitespace folded.
inline QString textOfClass(const QByteArray &xhtml, const QString &className)
{
    QXmlStreamReader xml(xhtml);
    QString text;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (depth > 0)
                ++depth;
            else if (xml.attributes().value(QLatin1String("class")) == className)
                depth = 1;
        } else if (xml.isEndElement() && depth > 0) {
            if (--depth == 0)
                break;
        } else if (xml.isCharacters() && depth > 0) {
            text += xml.text();
        }
    }
    return text.simplified();
}

// Every address the document refers to, as "href=…" and "src=…".
inline QStringList referencesOf(const QByteArray &xhtml)
{
    QXmlStreamReader xml(xhtml);
    QStringList references;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute &a : xml.attributes()) {
            if (a.name() == QLatin1String("href") || a.name() == QLatin1String("src"))
                references << a.name().toString() + QLatin1Char('=') + a.value().toString();
        }
    }
    return references;
}

} // namespace EpubTest
