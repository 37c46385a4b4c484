// Read marks, log deletion and the reply tree in the window: the message menu's mark item, the
// mark button's menu, the two log-deletion commands and the tree tab. The rules live in store/;
// this file carries them out on the widgets.
//
// Threads: everything here runs on the main thread except the body of a reply-tree build, which
// reads the log and builds the tree as data on a thread of its own. It hands the data over with a
// queued call to MarksState::receiver while holding the hand-off lock; the window nulls the
// receiver under that lock when it goes, so nothing is posted to a destroyed object. The main
// thread then turns the data into items in slices, and only into a tab that is still open and
// still waiting for that very build.
#include "app/mainform.h"
#include "base/programdir.h"
#include "base/text.h"
#include "base/textfile.h"
#include "net/endpoints.h"
#include "net/pipeline.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/categoryfile.h"
#include "store/boardtexts.h"
#include "store/logdelete.h"
#include "store/marks.h"
#include "store/marktexts.h"
#include "store/pageindex.h"
#include "store/replytree.h"
#include "store/restoration.h"
#include "store/safename.h"
#include "store/topicfetch.h"
#include "ui/images.h"
#include "ui/panes.h"
#include "ui/topiclistview.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

QString sjis(std::string_view bytes)
{
    return qtbridge::FromSjis(bytes);
}

/// Nodes turned into items per turn of the event loop: well under a frame each.
constexpr int kTreeSlice = 1500;

/// What a reply-tree build hands to the main thread.
struct BuiltTree {
    bool ok = false;
    std::vector<QString> texts;
    std::vector<int> parents;
};

} // namespace

/// The receiver of reply-tree builds, guarded for the threads that post to it.
struct ReplyTreeHandOff {
    std::mutex mutex;
    QObject *receiver = nullptr;
};

struct TMainForm::MarksState {
    MarksState() : handOff(std::make_shared<ReplyTreeHandOff>()) { handOff->receiver = &receiver; }
    ~MarksState()
    {
        std::lock_guard lock(handOff->mutex);
        handOff->receiver = nullptr;
    }

    /// A tree tab and the build it waits for.
    struct TreeTab {
        QPointer<QTreeWidget> view;
        std::string caption; ///< the caption without the building or failure mark
        quint64 build = 0;   ///< the newest build started into it; older results are dropped
    };
    TreeTab *treeTab(QTreeWidget *view)
    {
        for (TreeTab &t : trees)
            if (t.view == view)
                return &t;
        return nullptr;
    }

    void setTreeCaption(TMainForm &form, QTreeWidget *tree, const std::string &caption)
    {
        int index = form.m_topicListPane->strip()->indexOf(tree);
        if (index >= 0)
            form.m_topicListPane->strip()->setCaption(index, caption);
    }

    /// A built tree on its way into its view.
    struct TreeJob {
        QTreeWidget *tree = nullptr; ///< identity only; found again through trees
        quint64 build = 0;
        std::shared_ptr<BuiltTree> built;
        std::vector<QTreeWidgetItem *> items;
        QList<QTreeWidgetItem *> tops; ///< detached until the last slice hands them to the view
        ~TreeJob() { qDeleteAll(tops); }
    };

    /// Turns the next slice of nodes into items; the last slice puts them into the view, replacing
    /// an earlier build's nodes. Stops when the tab closed or was built again meanwhile.
    static void installSlice(TMainForm &form, const std::shared_ptr<TreeJob> &job)
    {
        MarksState &state = *form.m_marks;
        TreeTab *tab = state.treeTab(job->tree);
        if (!tab || tab->build != job->build)
            return;
        const QIcon &icon = form.m_images[ui::image::Board];
        std::vector<QString> &texts = job->built->texts;
        const std::size_t end = std::min(texts.size(), job->items.size() + kTreeSlice);
        for (std::size_t i = job->items.size(); i < end; ++i) {
            auto *item = new QTreeWidgetItem;
            item->setText(0, std::move(texts[i]));
            item->setIcon(0, icon);
            const int parent = job->built->parents[i];
            if (parent >= 0)
                job->items[static_cast<std::size_t>(parent)]->addChild(item);
            else
                job->tops.push_back(item);
            job->items.push_back(item);
        }
        if (job->items.size() < texts.size()) {
            QTimer::singleShot(0, &state.receiver, [&form, job] { installSlice(form, job); });
            return;
        }
        QSignalBlocker quiet(tab->view.data());
        tab->view->clear();
        tab->view->addTopLevelItems(job->tops);
        job->tops.clear();
        state.setTreeCaption(form, job->tree, tab->caption);
    }

    std::shared_ptr<ReplyTreeHandOff> handOff;
    QObject receiver;
    std::vector<TreeTab> trees;
    quint64 lastBuild = 0;
    /// The topic of the message menu when it was opened over a tree tab.
    std::string menuTreeKey;
    std::map<std::string, std::string> boardDirs;
    /// What the remembered folders were resolved against: the log folder and the state of the
    /// directory's file, which a category update or a tree edit rewrites.
    std::string boardDirsBasis;
};

std::optional<std::string> TMainForm::knownBoardDir(const std::string &listUrl)
{
    // Resolving reads the directory's file: done for every command state on every key, it would
    // be slow, so answers are kept until the log folder or that file changes, after which a
    // kept answer would point where deletion no longer looks.
    std::error_code ec;
    const std::filesystem::path categoryFile = store::CategoryFilePath(m_programDir, store::kPluginTreeName);
    const auto written = std::filesystem::last_write_time(categoryFile, ec);
    const auto size = ec ? 0 : std::filesystem::file_size(categoryFile, ec);
    const std::string basis = m_settings.path.log + '\n' +
                              (ec ? std::string("-")
                                  : std::to_string(written.time_since_epoch().count()) + ' ' + std::to_string(size));
    if (basis != m_marks->boardDirsBasis) {
        m_marks->boardDirs.clear();
        m_marks->boardDirsBasis = basis;
    }
    auto it = m_marks->boardDirs.find(listUrl);
    if (it != m_marks->boardDirs.end())
        return it->second;
    std::optional<std::string> dir = resolveBoardDir(listUrl);
    if (dir && !dir->empty())
        m_marks->boardDirs[listUrl] = *dir;
    return dir;
}

// Marks.

void TMainForm::PopMarkExecute()
{
    std::string key = m_marks->menuTreeKey;
    if (key.empty()) {
        // An extraction page has no site of its own, but its key is its source topic's.
        ui::TopicPage *tab = m_topicPane->activePage();
        if (!tab)
            return;
        key = tab->topicUrl;
    }
    std::optional<store::TopicIds> ids = store::MarkIdsOf(key);
    if (!ids)
        return;
    if (!store::MarkFile(base::JoinPath(m_programDir, store::kMarkFileName)).toggle(*ids, m_targetMessage))
        qWarning("the mark file could not be written");
}

void TMainForm::MarkPopupMenuPopup(QMenu *menu)
{
    menu->clear();
    ui::TopicPage *tab = m_topicPane->activePage();
    std::optional<store::TopicIds> ids = tab && tab->site ? store::MarkIdsOf(tab->topicUrl) : std::nullopt;
    if (!ids)
        return;
    store::MarkFile file(base::JoinPath(m_programDir, store::kMarkFileName));
    std::vector<std::string> marks = file.marks(*ids);
    if (marks.empty())
        return;
    for (const std::string &mark : marks) {
        QAction *item = menu->addAction(sjis(mark));
        // A jump to the mark: the page that holds it, scrolled to it.
        connect(item, &QAction::triggered, this, [this, mark] {
            ui::TopicPage *active = m_topicPane->activePage();
            if (!active)
                return;
            auto jump = store::JumpToMark(active->lines, mark, active->viewStart, m_settings.general.msgview);
            if (!jump)
                return;
            active->scrollTarget = jump->scrollTarget;
            active->viewStart = jump->viewStart;
            renderTopic(*active);
        });
    }
    menu->addSeparator();
    QAction *clear = menu->addAction(QString::fromUtf8("クリア(&C)"));
    clear->setObjectName(QStringLiteral("MarkClear"));
    connect(clear, &QAction::triggered, this, [this, ids = *ids] {
        if (!store::MarkFile(base::JoinPath(m_programDir, store::kMarkFileName)).clear(ids))
            qWarning("the mark file could not be written");
    });
}

// Log deletion.

int TMainForm::DeleteTopicLog(plugin_api::PluginHandle site, const std::string &topicUrl, const std::string &logName,
                              const std::string &title)
{
    using Step = store::LogDeletionPlan::Step;
    store::LogDeletionPlan plan = store::PlanTopicLogDeletion(
        topicUrl, logName, title, m_boardServer, [this](const std::string &url) { return resolveBoardDir(url); });
    if (plan.step == Step::NoBoard)
        return 0;
    if (plan.step == Step::NoLog)
        return 1;
    // The question is Shift_JIS but for the log folder, which is in the file system's encoding.
    QString question = sjis(plan.question);
    if (std::size_t at = plan.question.find(plan.logPath); at != std::string::npos)
        question = sjis(plan.question.substr(0, at)) + qtbridge::FromLogPath(plan.logPath, m_settings.path.log) +
                   sjis(plan.question.substr(at + plan.logPath.size()));
    if (!m_confirm(QStringLiteral("Nekomado"), question))
        return 1;

    // An open tab of the topic must not write the log back: its fetch ends here, and what it
    // held unsaved is dropped.
    for (int i = 0; i < m_topicPane->pages().size(); ++i) {
        ui::TopicPage &tab = m_topicPane->pages()[i];
        if (!tab.site || !store::SameTopic(tab.topicUrl, topicUrl))
            continue;
        if (tab.downloading()) {
            m_pipeline->removeQueuedRequests(net::TopicRequestPrefix(m_boardServer, tab.topicUrl));
            m_topicPane->strip()->setCaption(i, tab.title);
        }
        store::ForgetDeletedLog(tab);
    }
    if (!store::DeleteTopicFiles(plan.logPath))
        qWarning("a topic log could not be deleted");

    // The board's tab belongs to the loaded plug-in, also when the deletion came from the
    // favorites tab, which has none.
    ui::TopicListPane &lists = *m_topicListPane;
    void *boardSite = site ? site : m_plugin;
    for (int index :
         {store::FindPageIndexIn(lists.pages(), boardSite, plan.listUrl, store::PageKind::TopicList),
          store::FindPageIndexIn(lists.pages(), nullptr, store::kFavoritesListUrl, store::PageKind::TopicList)}) {
        if (index < 0 || !lists.pages()[index].isList())
            continue;
        if (auto *list = qobject_cast<QTreeWidget *>(lists.pages()[index].view.data())) {
            ui::TopicRowsAdapter rows(*list, m_images);
            store::ResetDeletedTopicRow(rows, topicUrl);
        }
    }
    return 1;
}

// The reply tree.

void TMainForm::ThrLstTreeOpenExecute()
{
    ui::TopicListPage *active = m_topicListPane->activePage();
    auto *list = active && active->isList() ? qobject_cast<QTreeWidget *>(active->view.data()) : nullptr;
    ui::TopicItem *row = list ? ui::SelectedTopicItem(*list) : nullptr;
    if (!row)
        return;
    const std::string topicUrl = row->row().entry.topicUrl;
    const std::string logName = row->row().entry.logName;
    ui::TopicListPane &pane = *m_topicListPane;
    std::erase_if(m_marks->trees, [](const MarksState::TreeTab &t) { return !t.view; });
    QTreeWidget *tree = nullptr;
    for (int i = 0; i < pane.pages().size(); ++i) {
        if (!pane.pages()[i].isList() && pane.pages()[i].treeKey == topicUrl) {
            pane.strip()->setCurrentIndex(i);
            tree = qobject_cast<QTreeWidget *>(pane.pages()[i].view.data());
            break;
        }
    }
    if (!tree) {
        std::string caption = row->row().text(store::kTitleItem) + store::kTreeCaptionSuffix;
        ui::TopicListPage &page = pane.createPage(m_plugin, caption, true, false, m_settings.tab.icon);
        page.treeKey = topicUrl;
        page.listUrl = store::kTreeListUrl;
        tree = qobject_cast<QTreeWidget *>(page.view.data());
        if (!tree)
            return;
        m_marks->trees.push_back({tree, caption, 0});
        connect(tree, &QTreeWidget::currentItemChanged, this,
                [this, tree](QTreeWidgetItem *node) { ThrListTreeChange(tree, node); });
        // The message menu over a node acts on that node's message of the tree's topic.
        connect(tree, &QWidget::customContextMenuRequested, this, [this, tree](const QPoint &pos) {
            QTreeWidgetItem *node = tree->itemAt(pos);
            int index = m_topicListPane->strip()->indexOf(tree);
            ui::TopicListPage *treePage = m_topicListPane->pages().at(index);
            if (!node || !treePage)
                return;
            m_targetMessage = store::NodeMessageNumber(qtbridge::ToSjis(node->text(0)));
            m_marks->menuTreeKey = treePage->treeKey;
            m_actions->updateAll();
            if (QMenu *popup = menu(QStringLiteral("ResPopupMenu")))
                popup->exec(tree->viewport()->mapToGlobal(pos));
            m_marks->menuTreeKey.clear();
        });
    }
    std::optional<std::string> board = base::ExtractUrlParam("board=", topicUrl);
    if (!board || !store::IsTopicLogName(logName))
        return;
    std::optional<std::string> dir = resolveBoardDir(net::TopicListUrl(m_boardServer, *board));
    if (!dir || dir->empty())
        return;
    std::string logPath = base::JoinPath(*dir, logName);
    if (!base::FileExists(logPath))
        return;
    BuildReplyTree(tree, logPath);
}

void TMainForm::BuildReplyTree(QTreeWidget *tree, const std::string &logPath)
{
    MarksState::TreeTab *tab = m_marks->treeTab(tree);
    if (!tab)
        return;
    const quint64 build = ++m_marks->lastBuild;
    tab->build = build;
    m_marks->setTreeCaption(*this, tree, tab->caption + store::kTreeBuildingSuffix);

    // The main thread's part: items in slices, then the whole tree into the view at once.
    auto install = [this, tree, build](std::shared_ptr<BuiltTree> built) {
        MarksState::TreeTab *target = m_marks->treeTab(tree);
        if (!target || target->build != build)
            return; // closed, or built again since
        if (!built->ok) {
            m_marks->setTreeCaption(*this, tree, target->caption + store::kTreeFailedSuffix);
            return;
        }
        auto job = std::make_shared<MarksState::TreeJob>();
        job->tree = tree;
        job->build = build;
        job->built = std::move(built);
        job->items.reserve(job->built->texts.size());
        MarksState::installSlice(*this, job);
    };
    std::shared_ptr<ReplyTreeHandOff> handOff = m_marks->handOff;
    auto work = [handOff, logPath, install] {
        auto built = std::make_shared<BuiltTree>();
        if (std::optional<store::ReplyTree> read = store::ReadReplyTree(logPath)) {
            built->ok = true;
            built->texts.reserve(read->nodes.size());
            built->parents.reserve(read->nodes.size());
            for (store::ReplyNode &node : read->nodes) {
                built->texts.push_back(qtbridge::FromSjis(node.text));
                built->parents.push_back(node.parent);
            }
        }
        std::lock_guard lock(handOff->mutex);
        if (handOff->receiver)
            QMetaObject::invokeMethod(
                handOff->receiver, [install, built] { install(built); }, Qt::QueuedConnection);
    };
    bool started = false;
    if (m_startThread) {
        started = m_startThread(work);
    } else {
        try {
            std::thread(work).detach();
            started = true;
        } catch (const std::system_error &) {
            started = false;
        }
    }
    // Without its thread the tree stays empty; the mark goes on the tab that stays empty.
    if (!started)
        m_marks->setTreeCaption(*this, tree, tab->caption + store::kTreeFailedSuffix);
}

bool TMainForm::menuNamesTopic(const ui::TopicPage &tab) const
{
    return !m_marks || m_marks->menuTreeKey.empty() || store::SameTopic(m_marks->menuTreeKey, tab.topicUrl);
}

void TMainForm::ThrListTreeChange(QTreeWidget *tree, QTreeWidgetItem *node)
{
    if (!node)
        return;
    ui::TopicListPage *page = m_topicListPane->pages().at(m_topicListPane->strip()->indexOf(tree));
    if (!page || page->treeKey.empty())
        return;
    OpenTopicLocal(page->treeKey, false, store::NodeMessageNumber(qtbridge::ToSjis(node->text(0))));
}

void TMainForm::wireMarks()
{
    m_marks = std::make_shared<MarksState>();
    if (!m_confirm) {
        m_confirm = [this](const QString &caption, const QString &text) {
            return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        };
    }
    ui::ActionList &a = *m_actions;
    auto activeIds = [this]() -> std::optional<store::TopicIds> {
        ui::TopicPage *tab = m_topicPane->activePage();
        return tab && tab->site ? store::MarkIdsOf(tab->topicUrl) : std::nullopt;
    };

    a.setExecute(QStringLiteral("PopMark"), [this] { PopMarkExecute(); });
    // Without a target message there is nothing to mark.
    a.setUpdate(QStringLiteral("PopMark"), [this](QAction &act) {
        ui::TopicPage *tab = m_topicPane->activePage();
        bool topic = !m_marks->menuTreeKey.empty() ? store::MarkIdsOf(m_marks->menuTreeKey).has_value()
                                                   : tab && store::MarkIdsOf(tab->topicUrl).has_value();
        act.setEnabled(topic && m_targetMessage >= 1);
    });

    QMenu *markMenu = findChild<QMenu *>(QStringLiteral("MarkPopupMenu"));
    if (markMenu)
        connect(markMenu, &QMenu::aboutToShow, this, [this, markMenu] { MarkPopupMenuPopup(markMenu); });
    // The button's own click drops its menu down too.
    a.setExecute(QStringLiteral("ThrMark"), [markMenu] {
        if (markMenu)
            if (auto *button = qobject_cast<QToolButton *>(markMenu->parent()))
                button->showMenu();
    });
    a.setUpdate(QStringLiteral("ThrMark"), [this, activeIds](QAction &act) {
        std::optional<store::TopicIds> ids = activeIds();
        act.setEnabled(ids && store::MarkFile(base::JoinPath(m_programDir, store::kMarkFileName)).hasMarks(*ids));
    });

    a.setExecute(QStringLiteral("ThrDelete"), [this] {
        ui::TopicPage *tab = m_topicPane->activePage();
        if (!tab)
            return;
        int index = m_topicPane->pages().indexOf(tab);
        DeleteTopicLog(tab->site, tab->topicUrl, tab->logName, m_topicPane->strip()->caption(index));
    });
    auto *logDelButton = findChild<QToolButton *>(QStringLiteral("LogDelToolButton"));
    a.setUpdate(QStringLiteral("ThrDelete"), [this, logDelButton](QAction &act) {
        if (logDelButton)
            logDelButton->setEnabled(m_topicPane->pages().size() > 0);
        ui::TopicPage *tab = m_topicPane->activePage();
        std::optional<std::string> dir = tab ? knownBoardDir(tab->listUrl) : std::nullopt;
        act.setEnabled(dir && !dir->empty() && store::IsTopicLogName(tab->logName) &&
                       base::FileExists(base::JoinPath(*dir, tab->logName)));
    });

    auto selectedRow = [this]() -> std::pair<ui::TopicListPage *, ui::TopicItem *> {
        ui::TopicListPage *page = m_topicListPane->activePage();
        auto *list = page && page->isList() ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
        return {page, list ? ui::SelectedTopicItem(*list) : nullptr};
    };
    a.setExecute(QStringLiteral("PopThrLstDelete"), [this, selectedRow] {
        auto [page, row] = selectedRow();
        if (!row)
            return;
        store::TopicRow chosen = row->row(); // the deletion rewrites the row
        DeleteTopicLog(page->site, chosen.entry.topicUrl, chosen.entry.logName, chosen.text(store::kTitleItem));
    });
    a.setUpdate(QStringLiteral("PopThrLstDelete"), [this, selectedRow](QAction &act) {
        auto [page, row] = selectedRow();
        bool exists = false;
        if (row && store::IsTopicLogName(row->row().entry.logName)) {
            std::optional<std::string> board = base::ExtractUrlParam("board=", row->row().entry.topicUrl);
            std::optional<std::string> dir =
                board ? knownBoardDir(net::TopicListUrl(m_boardServer, *board)) : std::nullopt;
            exists = dir && !dir->empty() && base::FileExists(base::JoinPath(*dir, row->row().entry.logName));
        }
        act.setEnabled(exists);
    });

    a.setExecute(QStringLiteral("ThrLstTreeOpen"), [this] { ThrLstTreeOpenExecute(); });
    a.setUpdate(QStringLiteral("ThrLstTreeOpen"),
                [selectedRow](QAction &act) { act.setEnabled(selectedRow().second != nullptr); });
}
