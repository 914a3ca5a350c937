#pragma once

#include "common/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// A help project (.hhp) as the compiler reads it: INI-like text in the code page of its language,
// with sections [OPTIONS], [WINDOWS], [FILES] and [INFOTYPES] (names and keys in any case).
namespace HelpFile {

// One line of [WINDOWS]: `name=` and up to 20 comma-separated fields. Quotes around a field are
// removed; "[l,t,r,b]" is one field.
struct WindowDefinition
{
    QString name;
    QStringList fields;

    QString field(int index) const { return index < fields.size() ? fields.at(index) : QString(); }
};

struct HelpProject
{
    QString path;         // absolute path of the project file
    QString folder;       // absolute path of the folder that holds it
    quint32 lcid = 0x804; // "Language"; names the code page of every text in the project
    bool compatibility10 = false;
    QString compiledFile; // absolute path of the output on disk
    QString compiledName; // "Compiled file" as written, e.g. "..\qiruvo.chm"
    QString contentsFile;
    QString indexFile;
    QString defaultWindow;
    QString defaultTopic;
    QString defaultFont;
    QString title;
    std::vector<WindowDefinition> windows;
    QStringList files; // [FILES] entries as written, with backslashes

    const WindowDefinition *window(const QString &name) const;
    // Text of the project's code page and back: GBK for Chinese (PRC, Singapore), otherwise Latin-1.
    QString decode(QByteArrayView bytes) const;
    QByteArray encode(QStringView text) const;
};

// The Windows code page of a language's texts: 936 (GBK) for Chinese (PRC, Singapore), 950, 932 and
// 949 for the other East Asian languages known here, 1252 for any other.
quint32 codePageOf(quint32 lcid);

// Fails when the file cannot be read, holds no section the compiler knows, or is written in a code
// page other than GBK while using bytes outside ASCII.
Result<HelpProject> readProject(const QString &path);

// A number as the project writes it: "0x" hexadecimal or decimal, leading text only ("0x804 中文").
std::optional<qint64> parseNumber(QStringView text);

} // namespace HelpFile
