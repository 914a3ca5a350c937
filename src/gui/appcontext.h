#pragma once

#include "common/result.h"
#include "common/settings.h"
#include "pipeline/helpfilejob.h"

#include <QMessageBox>
#include <QString>
#include <functional>

class QUrl;
class QWidget;

// Opens a file, folder or web address the way the desktop does; false when nothing could open it.
using Opener = std::function<bool(const QUrl &url)>;
// Shows a message box over `parent` with the window's own title and an OK button.
using MessageShower = std::function<void(QWidget *parent, QMessageBox::Icon icon, const QString &text)>;
// Shows the about box over `parent`: the text as showMessage shows it, the program's version below.
using AboutShower = std::function<void(QWidget *parent, const QString &text, const QString &version)>;
// Asks for a file to open, starting in `folder`; empty when the user cancels.
using FileChooser = std::function<QString(QWidget *parent, const QString &folder, const QString &filter)>;

// Everything the window needs from outside. The defaults talk to the desktop; tests replace them.
struct AppContext
{
    explicit AppContext(Settings appSettings);

    Settings settings;
    Opener open;
    MessageShower showMessage;
    AboutShower showAbout;
    FileChooser chooseFile;
    Pipeline::HelpCompiler compile;
    // Where the window remembers its choices (an INI file); empty: nothing is remembered.
    QString settingsFile;
};
