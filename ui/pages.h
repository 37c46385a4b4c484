// The page records behind the tabs of the three panes. The i-th record of a pane belongs to the
// pane's i-th tab; every operation that adds, removes or moves a tab does the same to its list.
#pragma once

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "base/textlist.h"
#include "store/categorytree.h"
#include "plugin_api/loader.h"

class QTreeWidget;
class QWidget;

namespace ui {

struct CategoryPage {
    plugin_api::PluginHandle site = nullptr; ///< none for the favorites tree
    QPointer<QTreeWidget> tree;
    /// The store's view of tree; lives as long as the tab.
    std::unique_ptr<store::CategoryTreeModel> model;
};

struct TopicListPage {
    plugin_api::PluginHandle site = nullptr; ///< none for the favorites list
    QPointer<QWidget> view;                  ///< a list view, or a tree view for a message tree
    std::string listUrl;                     ///< the board's topic-list URL, or ":Favorite", ":Tree"
    std::string treeKey;                     ///< non-empty only for the message-tree tab
    std::string boardDir;                    ///< the board's log directory
    bool isList() const { return treeKey.empty(); }
};

struct TopicPage {
    plugin_api::PluginHandle site = nullptr; ///< none for an extraction tab
    QPointer<QWidget> browser;               ///< the embedded HTML view
    std::string listUrl;
    std::string topicUrl; ///< the key by which the tab is found
    std::string logName;  ///< topic id + ".dat"
    std::string title;
    int postCount = 0;
    int scrollTarget = 0; ///< after a load the view scrolls to the anchor "Res" + this
    int viewStart = 0;    ///< index in lines of the first message shown
    int rangeFirst = 0, rangeLast = 0, received = 0;
    int limit = -1;
    int added = 0;
    int flag = 0; ///< 1 when the user stopped the running download
    std::vector<std::string> lines;
    std::vector<std::string> newNumbers;
    base::SortedTextList heldNumbers;

    /// A download is running while the tab has a site and not every number of its range has
    /// been dealt with.
    bool downloading() const { return site && received < rangeLast - rangeFirst + 1; }
};

} // namespace ui
