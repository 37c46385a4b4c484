// The program at work, for the kill runs: a window on a program directory that, cycle after
// cycle, starts (restoring its tabs), downloads part of a topic, edits the favorites and the NG
// names, toggles a mark and closes (saving its settings and open tabs), until it is killed.
//
//     nk_kill_driver <program dir> <board list URL> crawl    updates the directory once, exits 0
//     nk_kill_driver <program dir> <board list URL> run [N]  cycles from cycle N until killed
//     nk_kill_driver <program dir> <board list URL> check    starts with the web view, reports, exits 0
//
// Each started window prints "started <topic tabs> <list tabs>", each finished cycle "cycle N".
// The cycles use a plain widget in place of the web view: a killed process leaves no engine
// processes behind, and nothing it does to the files goes through the view.
#include "app/mainform.h"
#include "store/listrows.h"
#include "store/openurl.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/topiclistview.h"
#include "view/webengine.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

bool WaitFor(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= limitMs)
            loop.quit();
    });
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

std::unique_ptr<TMainForm> Start(const std::string &dir, bool webView)
{
    auto message = [](const QString &, const QString &text) {
        std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
    };
    std::unique_ptr<TMainForm> form =
        webView ? std::make_unique<TMainForm>(dir, message)
                : std::make_unique<TMainForm>(dir, message, [](QWidget *parent) { return new QWidget(parent); });
    form->setConfirm([](const QString &, const QString &) { return true; });
    if (!form->FormCreate())
        return nullptr;
    form->resize(900, 600);
    form->show();
    std::printf("started %d %d\n", static_cast<int>(form->topicPane().pages().size()),
                static_cast<int>(form->topicListPane().pages().size()));
    std::fflush(stdout);
    return form;
}

bool Idle(TMainForm &form)
{
    return form.pipeline().runningCount() == 0 && form.pipeline().waitingGeneral() == 0;
}

/// One cycle's work on a started window; false when something the cycle needs did not come.
bool Work(TMainForm &form, const std::string &listUrl, int cycle)
{
    form.OpenUrl(listUrl, 0, 0, store::OpenMode::ActiveTab, false);
    QTreeWidget *list = nullptr;
    WaitFor(
        [&] {
            ui::TopicListPage *page = form.topicListPane().activePage();
            list = page && page->listUrl == listUrl ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
            return list && list->topLevelItemCount() > 0 && list->updatesEnabled() && Idle(form);
        },
        20000);
    if (!list || list->topLevelItemCount() == 0)
        return false;

    // A download: a topic taken in turn, a little further each time round.
    const int topics = list->topLevelItemCount();
    auto *item = static_cast<ui::TopicItem *>(list->topLevelItem(cycle % topics));
    const std::string topicUrl = item->row().entry.topicUrl;
    const int posts = std::atoi(item->row().text(store::kPostsItem).c_str());
    const int last = std::max(1, std::min(15 * (cycle / topics + 1), posts));
    form.OpenUrl(topicUrl, 1, last, store::OpenMode::ActiveTab, false);
    ui::TopicPage *tab = form.topicPane().activePage();
    if (!tab)
        return false;
    WaitFor([&] { return !tab->downloading() && Idle(form); }, 20000);

    // Favorites: the topic in and out of the favorites list, the board into the tree.
    list->setCurrentItem(list->topLevelItem(cycle % topics));
    form.actions().update(QStringLiteral("ThrLstAddFavorite"));
    if (!form.actions().run(QStringLiteral("ThrLstAddFavorite")))
        form.actions().run(QStringLiteral("ThrLstDelFavorite"));
    ui::CategoryPage &site = form.categoryPane().pages()[form.siteCategoryTab()];
    for (QTreeWidgetItemIterator it(site.tree); *it; ++it)
        if (static_cast<ui::CategoryItem *>(*it)->data().url == listUrl)
            site.tree->setCurrentItem(*it);
    form.categoryPane().strip()->setCurrentIndex(form.siteCategoryTab());
    form.actions().run(cycle % 2 ? QStringLiteral("CtgAddFavorite") : QStringLiteral("CtgDelFavorite"));

    // An NG name and a mark, on a message of the open topic.
    if (!tab->lines.empty()) {
        form.setTargetMessage(1 + cycle % static_cast<int>(tab->lines.size()));
        form.actions().update(QStringLiteral("AddNGName"));
        form.actions().run(QStringLiteral("AddNGName"));
        form.actions().update(QStringLiteral("PopMark"));
        form.actions().run(QStringLiteral("PopMark"));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: nk_kill_driver <program dir> <board list URL> crawl|run [N]|check\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::string listUrl = argv[2];
    const std::string mode = argv[3];
    if (mode == "check")
        view::PrepareProcess();
    QApplication app(argc, argv);

    if (mode == "crawl" || mode == "check") {
        std::unique_ptr<TMainForm> form = Start(dir, mode == "check");
        if (!form)
            return 3;
        if (mode == "crawl") {
            form->actions().run(QStringLiteral("CtgUpdate"));
            if (!WaitFor(
                    [&] {
                        form->actions().update(QStringLiteral("CtgUpdate"));
                        return form->actions().action(QStringLiteral("CtgUpdate"))->isEnabled();
                    },
                    60000))
                return 4;
        }
        return 0;
    }
    if (mode != "run")
        return 2;
    // A run taken up after a kill goes on with later cycles: further into the topics.
    for (int cycle = argc == 5 ? std::atoi(argv[4]) : 0;; ++cycle) {
        std::unique_ptr<TMainForm> form = Start(dir, false);
        if (!form)
            return 3;
        if (!Work(*form, listUrl, cycle))
            return 5;
        form.reset(); // the shutdown: settings, NG files and the open tabs are written
        std::printf("cycle %d\n", cycle);
        std::fflush(stdout);
    }
}
