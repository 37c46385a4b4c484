// The page records behind the tabs of the three panes. The i-th record of a pane belongs to the
// pane's i-th tab; every operation that adds, removes or moves a tab does the same to its list.
#pragma once

#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "base/textlist.h"
#include "store/categorytree.h"
#include "store/topicstate.h"
#include "plugin_api/loader.h"

class QTreeWidget;
class QWidget;

namespace ui {

struct CategoryPage {
    plugin_api::PluginHandle site = nullptr; ///< none for the favorites tree
    /// The favorites tree, written to "favorites"; the site's tree otherwise. Kept apart from the
    /// site, which is also absent when the plug-in did not load.
    bool favorites = false;
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
    std::string boardName;                   ///< the caption the tab was opened with
    /// A new download of the list the tab shows is under way: its rows stay until the list
    /// arrives, and go only then.
    bool awaitingList = false;
    bool isList() const { return treeKey.empty(); }
};

/// A topic tab: the store's state of its log and download, plus its plug-in and view.
struct TopicPage : store::TopicState {
    plugin_api::PluginHandle site = nullptr; ///< none for an extraction tab
    QPointer<QWidget> browser;               ///< the embedded HTML view

    /// A download is running while the tab has a site and not every number of its range has
    /// been dealt with.
    bool downloading() const { return site && TopicState::downloading(); }
};

} // namespace ui
