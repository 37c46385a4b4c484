// The message filter dialog: the three NG lists in tabs, each with its list box, edit and the
// add and delete buttons.
#pragma once

#include "settings/nglists.h"
#include "view/msgfilter.h"

#include <QDialog>
#include <array>

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

    /// `ListAddExecute` on the active tab.
    void ListAddExecute();
    /// `ListDelExecute` on the active tab.
    void ListDelExecute();

signals:
    void helpRequested();

private:
    NgTab activeTab() const;
    void refill(NgTab tab);

    MsgFilterModel m_model;
    QTabWidget *m_pages = nullptr;
    std::array<QListWidget *, 3> m_boxes{};
    std::array<QLineEdit *, 3> m_edits{};
};

} // namespace view
