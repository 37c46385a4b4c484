// The program's help: finding the help directory, and opening the help window at its default
// topic or at a keyword.
#pragma once

#include "help/helpindex.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace help {

class HelpWindow;

/// Name of the help directory inside the program directory.
inline constexpr const char kHelpDirName[] = "help";

/// The help of one program directory. The main window keeps one and opens it from the help
/// command and from the help buttons of its dialogs. Main thread only.
///
/// The help window is owned by the window it was last opened from, as a help viewer's window
/// belongs to its caller: it stays usable while a modal dialog that asked for it runs, and it
/// closes with that dialog. The next request opens a new one.
class Help {
public:
    /// Looks for programDir/help with its index file and start page, and reads the index.
    explicit Help(const QString &programDir);
    ~Help();
    Help(const Help &) = delete;
    Help &operator=(const Help &) = delete;

    /// True when the help directory, its index file and its start page were found. When false,
    /// openDefault and openKeyword do nothing.
    bool available() const { return m_available; }

    /// Shows the start page (the default topic), owner being the calling window (may be null).
    void openDefault(QWidget *owner);
    /// Shows the page of keyword; a keyword the index does not know opens the index page with
    /// the keyword typed in.
    void openKeyword(QWidget *owner, const QString &keyword);

    /// The open help window, or null when none is open.
    HelpWindow *window() const { return m_window; }
    const HelpIndex &index() const { return m_index; }
    const QString &helpDir() const { return m_helpDir; }

private:
    HelpWindow *windowFor(QWidget *owner);

    QString m_helpDir;
    bool m_available = false;
    HelpIndex m_index;
    QPointer<HelpWindow> m_window;
};

} // namespace help
