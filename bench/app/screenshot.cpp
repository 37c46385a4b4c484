// Takes a screenshot of the window in use: the directory crawled from the bundled board server,
// a board's topic list and one of its topics, for the documentation.
//
//   window_screenshot <program-dir-with-Hakobune.so-help-skin> <out.png>
//
// Runs under a display (Xvfb); the board server is started on a free loopback port.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QScreen>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "app/mainform.h"
#include "base/textfile.h"
#include "boardserver/testing/serverprocess.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"
#include "ui/theme.h"
#include "view/htmlview.h"
#include "view/webengine.h"

namespace {

bool waitFor(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= limitMs)
            loop.quit();
    });
    poll.start();
    loop.exec();
    return done();
}

} // namespace

int main(int argc, char *argv[])
{
    view::PrepareProcess();
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <program-dir> <out.png> [--dark]\n", argv[0]);
        return 2;
    }
    if (argc > 3 && std::string(argv[3]) == "--dark") {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(ui::DarkPalette());
    }
    boardserver::testing::ServerProcess server;
    std::string error;
    if (!server.start({"--topics", "12", "--messages", "30", "--huge", "0"}, &error)) {
        std::fprintf(stderr, "board server: %s\n", error.c_str());
        return 1;
    }
    std::string dir = std::filesystem::temp_directory_path() / "nk-screenshot";
    std::filesystem::remove_all(dir);
    std::filesystem::copy(argv[1], dir, std::filesystem::copy_options::recursive);
    dir += "/";
    std::filesystem::remove(dir + "nekomado.ini");
    base::WriteFileAtomic(dir + "nekomado.ini", "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\nproxy_port=" +
                                                    std::to_string(server.port()) + "\r\n");

    TMainForm form(dir);
    if (!form.FormCreate())
        return 1;
    form.resize(1100, 720);
    form.show();
    form.actions().run("CtgUpdate");
    waitFor([&] {
        form.actions().update("CtgUpdate");
        return form.actions().action("CtgUpdate")->isEnabled();
    }, 60000);

    QTreeWidget *tree = form.categoryPane().pages()[form.siteCategoryTab()].tree;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        auto *item = static_cast<ui::CategoryItem *>(*it);
        if (item->data().isFolder())
            continue;
        tree->setCurrentItem(item);
        emit tree->itemDoubleClicked(item, 0);
        auto list = [&] {
            ui::TopicListPage *page = form.topicListPane().activePage();
            return page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
        };
        waitFor([&] { return list() && list()->topLevelItemCount() > 0 && list()->updatesEnabled(); }, 20000);
        if (list() && list()->topLevelItemCount() > 3) {
            list()->setCurrentItem(list()->topLevelItem(2));
            form.actions().run("PopThrLstActiveOpen");
            break;
        }
    }
    waitFor([&] {
        ui::TopicPage *tab = form.topicPane().activePage();
        auto *view = tab ? qobject_cast<view::HtmlView *>(tab->browser.data()) : nullptr;
        return tab && !tab->downloading() && !tab->lines.empty() && view && !view->isLoading();
    }, 60000);
    waitFor([] { return false; }, 1500);
    QPixmap shot = form.grab();
    // grab() draws widgets, but the web view paints through the compositor: take the screen too.
    if (QScreen *screen = form.screen())
        shot = screen->grabWindow(form.winId());
    bool saved = shot.save(QString::fromLocal8Bit(argv[2]));
    std::printf("%s\n", saved ? "saved" : "not saved");
    return saved ? 0 : 1;
}
