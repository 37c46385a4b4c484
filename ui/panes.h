// The three panes of the main window: a tool bar above a tab strip, and the page records behind
// the tabs. Panes know nothing of each other or of the window; they talk through signals.
#pragma once

#include <QMainWindow>
#include <QToolBar>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "settings/settings.h"
#include "ui/pages.h"
#include "ui/tabstrip.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

/// The records of one pane, kept in step with its strip.
template <typename Page>
class PageList {
public:
    Page &append() { return *m_pages.emplace_back(std::make_unique<Page>()); }
    void remove(int i) { m_pages.erase(m_pages.begin() + i); }
    void move(int from, int to);
    int size() const { return static_cast<int>(m_pages.size()); }
    Page &operator[](int i) { return *m_pages[static_cast<std::size_t>(i)]; }
    /// The record at i, or nullptr when i is not a tab's index.
    Page *at(int i) { return i >= 0 && i < size() ? m_pages[static_cast<std::size_t>(i)].get() : nullptr; }
    const Page &operator[](int i) const { return *m_pages[static_cast<std::size_t>(i)]; }
    int indexOf(const Page *page) const
    {
        for (int i = 0; i < size(); ++i)
            if (m_pages[static_cast<std::size_t>(i)].get() == page)
                return i;
        return -1;
    }

private:
    std::vector<std::unique_ptr<Page>> m_pages;
};

/// Common frame of a pane: the tool bar with its close button, and the strip.
class PaneFrame : public QWidget {
    Q_OBJECT
public:
    PaneFrame(const QString &objectName, QWidget *parent);

    QToolBar *toolBar() const { return m_toolBar; }
    TabStrip *strip() const { return m_strip; }
    /// Adds the close button at the end of the tool bar.
    void addCloseButton(const QIcon &icon);

signals:
    void closeRequested();

protected:
    QToolBar *m_toolBar;
    TabStrip *m_strip;
};

/// How the trees and lists look, from the [design] colours and fonts and the trees' guide lines
/// and buttons. Each pane keeps the last one it was given for the pages it creates later.
struct ViewLook {
    QColor treeBase, treeText, listBase, listText;
    QFont treeFont, listFont;
    bool treeGuide = false;
    bool treeButtons = true;
};
ViewLook LookFromSettings(const settings::Settings &s);

/// The category pane (`LeftPanel`): one tab per category tree.
class CategoryPane : public PaneFrame {
    Q_OBJECT
public:
    CategoryPane(const std::vector<QIcon> &images, QWidget *parent);

    /// `CreatePage` for this pane: appends a tab with a tree and its record.
    CategoryPage &createPage(plugin_api::PluginHandle site, const std::string &caption, bool activate);
    PageList<CategoryPage> &pages() { return m_pages; }
    CategoryPage *activePage();
    /// Gives every tree, and each one created from now on, this look.
    void applyDisplay(const ViewLook &look);

signals:
    void nodeExpanded(QTreeWidgetItem *item);
    void nodeCollapsed(QTreeWidgetItem *item);
    void nodeClicked(QTreeWidgetItem *item);
    void nodeDoubleClicked(QTreeWidgetItem *item);
    /// The tree's pop-up menu was asked for at pos (viewport coordinates).
    void contextMenuAt(QTreeWidget *tree, const QPoint &pos);
    /// A node of the favorites tree was moved by a drop.
    void favoritesMoved(QTreeWidget *tree);

private:
    const std::vector<QIcon> &m_images;
    PageList<CategoryPage> m_pages;
    std::optional<ViewLook> m_look;
};

/// The topic-list pane (`TopPanel`): one tab per board or special list.
class TopicListPane : public PaneFrame {
    Q_OBJECT
public:
    TopicListPane(const std::vector<QIcon> &images, std::array<int, 8> &columnWidths, QWidget *parent);

    /// `CreatePage`: a list view with the eight columns at the shared widths, or a tree view.
    TopicListPage &createPage(plugin_api::PluginHandle site, const std::string &caption, bool treeForm, bool activate,
                              bool withIcon);
    void closeTab(int index);
    PageList<TopicListPage> &pages() { return m_pages; }
    TopicListPage *activePage();
    /// Gives every list and tree, and each one created from now on, this look; tabIcons as [tab] icon.
    void applyDisplay(const ViewLook &look, bool tabIcons);
    /// Fits the columns to a filled list while the shared widths are still the defaults (the
    /// user never set any): the widths it gives become the shared ones.
    void fitUntouchedColumns(QTreeWidget *list);

signals:
    /// The user switched to another tab: the address box shows its list URL.
    void listUrlShown(const QString &url);
    /// A column header of a list view was clicked.
    void headerClicked(int column);
    void rowClicked();
    void rowDoubleClicked();
    /// A list's pop-up menu was asked for at pos (viewport coordinates).
    void contextMenuAt(QTreeWidget *list, const QPoint &pos);

private:
    void activeTabChanged(int index);
    void applyColumnWidths(QTreeWidget *list);

    const std::vector<QIcon> &m_images;
    std::array<int, 8> &m_columnWidths;
    PageList<TopicListPage> m_pages;
    std::optional<ViewLook> m_look;
};

/// The topic pane (`BottomPanel`): one tab per topic, each an HTML view.
class TopicPane : public PaneFrame {
    Q_OBJECT
public:
    using BrowserFactory = std::function<QWidget *(QWidget *parent)>;

    TopicPane(const std::vector<QIcon> &images, BrowserFactory makeBrowser, QWidget *parent);

    TopicPage &createPage(plugin_api::PluginHandle site, const std::string &caption, bool activate, bool withIcon);
    void closeTab(int index);
    PageList<TopicPage> &pages() { return m_pages; }
    TopicPage *activePage();
    void applyDisplay(const settings::Settings &s);

    /// The second tool bar band (`ResPanel`) with `ResLabeledEdit`.
    QToolBar *resBand() const { return m_resBand; }
    /// `BottomCoolBar`: the window holding the two bands, whose layout is persisted.
    QMainWindow *bandWindow() const { return m_bands; }

private:
    const std::vector<QIcon> &m_images;
    BrowserFactory m_makeBrowser;
    PageList<TopicPage> m_pages;
    QToolBar *m_resBand;
    QMainWindow *m_bands = nullptr;
};

/// Applies [tab] width, height, style and rows to a strip; the position only at start-up.
void ApplyTabStripSettings(TabStrip &strip, const settings::TabStripSettings &t, bool multi, bool atStartup);

/// A QColor for a stored colour value, system colours through the palette.
QColor ColorFromSetting(int value);
/// A QFont for a stored font group.
QFont FontFromSetting(const settings::FontSetting &f);

} // namespace ui
