#include "gui/appcontext.h"

#include "pipeline/helpfilejob.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

AppContext::AppContext(Settings appSettings)
    : settings(std::move(appSettings))
    , open([](const QUrl &url) { return QDesktopServices::openUrl(url); })
    , showMessage([](QWidget *parent, QMessageBox::Icon icon, const QString &text) {
        QMessageBox box(icon, parent ? parent->window()->windowTitle() : QString(), text, QMessageBox::Ok, parent);
        box.exec();
    })
    , showAbout([](QWidget *parent, const QString &text, const QString &version) {
        QMessageBox box(QMessageBox::Information, parent ? parent->window()->windowTitle() : QString(), text,
                        QMessageBox::Ok, parent);
        box.setInformativeText(QStringLiteral("版本 ") + version);
        box.exec();
    })
    , chooseFile([](QWidget *parent, const QString &folder, const QString &filter) {
        return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
    })
    , compile(&Pipeline::compileHelpProject)
{}
