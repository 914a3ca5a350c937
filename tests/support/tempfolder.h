#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh folder per test, removed afterwards.
class TempFolder
{
public:
    TempFolder();
    const QString &path() const { return m_path; }
    QString file(const QString &relative) const;

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Whole-file helpers for byte-exact comparisons.
QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);
