#pragma once

#include "gui/appcontext.h"
#include "gui/mainwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <memory>

// A main window over a fresh program folder, with the desktop replaced: opened addresses and
// message boxes (the about box among them) are recorded, the file dialog answers `chosenFile`,
// the compiler is `compile`.
class WindowHarness
{
public:
    struct Message
    {
        QMessageBox::Icon icon;
        QString text;
        // The version the about box shows; empty for other messages.
        QString version;
    };

    explicit WindowHarness(const QString &hostBase = QStringLiteral("http://127.0.0.1:9/"))
        : context(makeSettings(folder.path(), hostBase))
    {
        context.open = [this](const QUrl &url) {
            opened.append(url);
            return true;
        };
        context.showMessage = [this](QWidget *, QMessageBox::Icon icon, const QString &text) {
            messages.append({icon, text, {}});
        };
        context.showAbout = [this](QWidget *, const QString &text, const QString &version) {
            messages.append({QMessageBox::Information, text, version});
        };
        context.chooseFile = [this](QWidget *, const QString &start, const QString &filter) {
            chooserFolder = start;
            chooserFilter = filter;
            return chosenFile;
        };
        context.compile = [this](const QString &projectPath, const HelpFile::CompileOptions &) {
            compiledProjects.append(projectPath);
            return compileResult;
        };
        window = std::make_unique<MainWindow>(context);
        // Tests tick the window themselves.
        window->findChild<QTimer *>(QStringLiteral("ticker"))->stop();
    }

    template <typename W> W *child(const char *name) const { return window->findChild<W *>(QLatin1String(name)); }
    QPushButton *button(int n) const
    {
        static const char *const names[] = {"findButton",       "downloadButton", "buildHelpButton",
                                            "openFolderButton", "exportButton",   "importButton"};
        return child<QPushButton>(names[n - 1]);
    }
    // Enabled flags of the buttons in the order Find, Download, Build CHM, Folder, Export, Import.
    QList<bool> buttons() const
    {
        QList<bool> flags;
        for (int n = 1; n <= 6; ++n)
            flags.append(button(n)->isEnabled());
        return flags;
    }
    QString status() const { return child<QLabel>("statusLine")->text(); }
    QString programFile(const QString &name) const { return folder.filePath(name); }

    QTemporaryDir folder;
    AppContext context;
    std::unique_ptr<MainWindow> window;

    QList<QUrl> opened;
    QList<Message> messages;
    QString chosenFile;
    QString chooserFolder;
    QString chooserFilter;
    QStringList compiledProjects;
    Result<HelpFile::CompileReport> compileResult = HelpFile::CompileReport();

private:
    static Settings makeSettings(const QString &programFolder, const QString &hostBase)
    {
        Settings settings;
        settings.programFolder = programFolder;
        settings.hostBase = hostBase;
        return settings;
    }
};

// The enabled flags buttons() gives for a button state.
inline QList<bool> pattern(ButtonState state)
{
    const ButtonPattern p = buttonPattern(state);
    return {p.find, p.download, p.chm, p.folder, p.exportTask, p.importTask};
}
