#pragma once

#include <QString>

// The program's entry in the desktop's task bar or dock: its progress, through the launcher entry
// signal that docks and task managers listen for on the session bus. Without a session bus nothing
// is sent and nothing fails.
class LauncherEntry
{
public:
    // `desktopFileName` names the desktop entry, with or without ".desktop".
    explicit LauncherEntry(const QString &desktopFileName);

    // Shows `fraction` (0..1) of the run as done.
    void setProgress(double fraction);
    void hide();

    // The address the entry is known by: "application://" and the desktop file's name.
    QString appUri() const { return m_appUri; }

private:
    void update(double fraction, bool visible);

    QString m_appUri;
    // The last state sent, so that a count that moves the bar by less than a step sends nothing.
    int m_lastPermille = -1;
    bool m_visible = false;
};
