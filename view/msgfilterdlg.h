// The message filter dialog: the three NG lists in tabs, each with its list box, edit and the
// add and delete buttons, a switch to the tab's regular expressions, and the chain option.
#pragma once

#include "settings/nglists.h"
#include "view/msgfilter.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace view {

/// `TMsgFilterDlg`. Shows the lists it was given; the caller takes lists() when exec() returns
/// Accepted, and nothing changes otherwise. The help button only signals: the owner knows the
/// help. The editing rules are MsgFilterModel's; the widgets mirror it.
class TMsgFilterDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMsgFilterDlg(const settings::NgLists &lists, QWidget *parent = nullptr);

    /// The lists as OK makes them of the list boxes.
    settings::NgLists lists() const { return m_model.lists(); }
    const MsgFilterModel &model() const { return m_model; }

    /// The "hide the answers to hidden messages" box.
    void setChain(bool chain);
    bool chain() const;

    /// `ListAddExecute` on the active tab.
    void ListAddExecute();
    /// `ListDelExecute` on the active tab.
    void ListDelExecute();

signals:
    void helpRequested();

private:
    std::size_t activePage() const;
    /// The list page's box shows: its text list, or its regular expressions.
    NgTab shownList(std::size_t page) const;
    void refill(std::size_t page);

    MsgFilterModel m_model;
    QTabWidget *m_pages = nullptr;
    std::array<QListWidget *, 3> m_boxes{};
    std::array<QLineEdit *, 3> m_edits{};
    std::array<QCheckBox *, 3> m_regex{}; ///< per tab: the box shows its regular expressions
    QCheckBox *m_chain = nullptr;
    QLabel *m_error = nullptr; ///< why a regular expression was refused
};

} // namespace view
