// The help window: the pages of the help directory with a keyword index beside them.
#pragma once

#include "help/helpindex.h"

#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>

class QLineEdit;
class QListWidget;
class QAction;

namespace help {

class HelpWindow;

/// The page view. It reads only files of the help directory (and the built index page): nothing
/// outside it, nothing from the network. Links are not followed by the view itself; the window
/// decides (HelpWindow::followLink).
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(HelpWindow *window);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    HelpWindow *m_window;
};

/// A main window of its own with back, forward, contents and index commands, the keyword list on
/// the left and the page on the right. Main thread only.
class HelpWindow : public QMainWindow {
    Q_OBJECT
public:
    /// helpDir: the directory of the pages and the index file.
    HelpWindow(const QString &helpDir, const HelpIndex &index, QWidget *parent = nullptr);

    void showStartPage();
    /// Shows target ("page" or "page#anchor", relative to the help directory). A page that does
    /// not exist opens the index page instead.
    void showTarget(const QString &target);
    /// Shows the page of keyword and selects it in the keyword list; a keyword the index does not
    /// know opens the index page instead (showIndexPage).
    void showKeyword(const QString &keyword);
    /// Shows the index page, with keyword typed into the keyword box and the nearest keyword
    /// selected in the list.
    void showIndexPage(const QString &keyword = QString());

    /// The link policy of the pages: a link to a page of the help directory (the index page
    /// included) is shown; anything else (other schemes, files outside the directory, missing
    /// pages) is not followed. Returns whether the link was shown.
    bool followLink(const QUrl &link);

    /// The shown page relative to the help directory ("settings-network.html"), empty when none.
    QString currentPage() const;
    QString currentAnchor() const;

    HelpBrowser *browser() const { return m_browser; }
    QLineEdit *keywordEdit() const { return m_keywordEdit; }
    QListWidget *keywordList() const { return m_keywordList; }

    /// The file of the help directory that url names, or an empty text when it names none
    /// (another scheme, a path outside the directory). The index page is named even though it
    /// has no file.
    QString localPage(const QUrl &url) const;
    /// The help directory as a base for relative links.
    QUrl baseUrl() const;
    const HelpIndex &index() const { return m_index; }

private:
    void selectNearestKeyword(const QString &typed);
    void openSelectedKeyword();
    void updateTitle();

    QString m_helpDir;
    HelpIndex m_index;
    HelpBrowser *m_browser = nullptr;
    QLineEdit *m_keywordEdit = nullptr;
    QListWidget *m_keywordList = nullptr;
};

} // namespace help
