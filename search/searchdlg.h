// The log search window: a text or a regular expression, the scope (all boards, the current
// board, the current topic), and the messages found, listed while the search runs.
#pragma once

#include "search/logsearch.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace search {

enum class SearchScope { AllBoards = 0, Board = 1, Topic = 2 };

/// The columns of the result list.
enum ResultColumn { BoardColumn, TopicColumn, NumberColumn, DateColumn, ExcerptColumn };

class TSearchDlg : public QDialog {
    Q_OBJECT
public:
    struct Options {
        /// The logs a scope covers; nullopt, with why set, when there is nothing to search.
        std::function<std::optional<std::vector<LogSource>>(SearchScope scope, QString &why)> sources;
        /// Failures the user must see (a regular expression that is not one).
        std::function<void(const QString &caption, const QString &text)> showMessage;
        SearchOptions search;
    };

    explicit TSearchDlg(Options options, QWidget *parent = nullptr);
    ~TSearchDlg() override;

    /// Stops a search still running and starts one with what the window holds. False when
    /// nothing was started (no text, a bad regular expression, nothing to search).
    bool startSearch();
    /// Stops the running search; its results stay.
    void stopSearch();
    bool isSearching() const { return m_searching; }

    /// Opens the result of row (emits openRequested).
    void openResult(QTreeWidgetItem *row);

    QLineEdit *textEdit() const { return m_text; }
    QCheckBox *regexBox() const { return m_regex; }
    QCheckBox *ignoreCaseBox() const { return m_ignoreCase; }
    QComboBox *scopeBox() const { return m_scope; }
    QTreeWidget *results() const { return m_results; }
    QPushButton *stopButton() const { return m_stop; }
    QString statusText() const;

    /// The log and the hit of a result row; null for anything else.
    const LogSource *sourceOf(const QTreeWidgetItem *row) const;
    const Hit *hitOf(const QTreeWidgetItem *row) const;

signals:
    /// The user opens a result: the topic of source at message number, the match's text.
    void openRequested(const search::LogSource &source, int number, const QString &matchText);
    /// Progress and outcome, for the status bar.
    void statusChanged(const QString &text);
    void searchFinished();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void addHits(std::vector<Hit> hits);
    void showProgress(const Progress &progress);
    void finish(const Progress &progress, bool stopped);
    void setStatus(const QString &text);
    void updateButtons();

    Options m_options;
    QLineEdit *m_text;
    QCheckBox *m_regex;
    QCheckBox *m_ignoreCase;
    QComboBox *m_scope;
    QPushButton *m_find;
    QPushButton *m_stop;
    QPushButton *m_open;
    QTreeWidget *m_results;
    QLabel *m_status;

    std::vector<LogSource> m_sources; ///< of the last search, as its hits refer to them
    std::vector<Hit> m_hits;
    LogSearch m_search;
    bool m_searching = false;
    unsigned m_generation = 0; ///< hand-overs of an older search are dropped
};

} // namespace search
