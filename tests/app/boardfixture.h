// A window in a temporary program directory, reaching the bundled board server through its
// proxy setting with the real plug-in: the fixture of the end-to-end window tests.
#pragma once

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "base/textfile.h"
#include "boardserver/testing/serverprocess.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"

namespace apptest {

/// Runs the event loop until done() holds or limitMs pass; the result of done(). Polls from
/// inside a running loop, which keeps the web engine at full speed.
inline bool WaitFor(const std::function<bool()> &done, int limitMs = 30000)
{
    if (done())
        return true;
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
    loop.exec();
    return done();
}

class BoardFixture : public ::testing::Test {
protected:
    /// Extra server arguments; the defaults make a small directory quickly crawled.
    virtual std::vector<std::string> serverArguments() const
    {
        return {"--categories", "2", "--depth", "2", "--subcategories", "2", "--boards", "2",
                "--topics", "6", "--messages", "8", "--huge", "0"};
    }

    void SetUp() override
    {
        ASSERT_TRUE(server.start(serverArguments()));
        std::string tmpl = (std::filesystem::temp_directory_path() / "nk-window-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl + "/";
        std::filesystem::copy_file(NK_PROGRAM_DIR "/Hakobune.so", dir + "Hakobune.so");
        std::filesystem::copy(NK_PROGRAM_DIR "/help", dir + "help", std::filesystem::copy_options::recursive);
        ASSERT_TRUE(base::WriteFileAtomic(dir + "nekomado.ini", "[network]\r\nproxy=1\r\nproxy_server=127.0.0.1\r\n"
                                                                "proxy_port=" + std::to_string(server.port()) +
                                                                    "\r\ntimeout=5000\r\n" + extraIni()));
        form = std::make_unique<TMainForm>(dir, [this](const QString &, const QString &text) {
            messages.push_back(text.toStdString());
        });
        ASSERT_TRUE(form->FormCreate());
    }

    void TearDown() override
    {
        form.reset();
        std::filesystem::remove_all(dir);
    }

    virtual std::string extraIni() const { return {}; }

    /// Downloads the directory and waits for the crawl to end. A window started without a
    /// category file may be crawling already (its first start): that crawl is waited for.
    void crawl()
    {
        if (!form->actions().run("CtgUpdate")) {
            form->actions().update("CtgUpdateStop");
            ASSERT_TRUE(form->actions().action("CtgUpdateStop")->isEnabled()) << "no crawl could start";
        }
        ASSERT_TRUE(WaitFor([&] {
            form->actions().update("CtgUpdate");
            return form->actions().action("CtgUpdate")->isEnabled();
        }, 60000)) << "the crawl did not end";
    }

    ui::CategoryPage &siteTab() { return form->categoryPane().pages()[form->siteCategoryTab()]; }

    /// The boards of the site's tree, in tree order.
    std::vector<ui::CategoryItem *> boards()
    {
        std::vector<ui::CategoryItem *> found;
        for (QTreeWidgetItemIterator it(siteTab().tree); *it; ++it) {
            auto *item = static_cast<ui::CategoryItem *>(*it);
            if (!item->data().isFolder())
                found.push_back(item);
        }
        return found;
    }

    void doubleClick(ui::CategoryItem *item)
    {
        QTreeWidget &tree = *siteTab().tree;
        tree.setCurrentItem(item);
        emit tree.itemDoubleClicked(item, 0);
    }

    QTreeWidget *activeList()
    {
        ui::TopicListPage *page = form->topicListPane().activePage();
        return page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
    }

    /// Opens boards until one lists several topics, and waits for its list.
    QTreeWidget *openListedBoard()
    {
        for (ui::CategoryItem *board : boards()) {
            doubleClick(board);
            bool in = WaitFor([&] { return activeList() && activeList()->topLevelItemCount() > 0 &&
                                           activeList()->updatesEnabled(); });
            if (in && activeList()->topLevelItemCount() > 1)
                return activeList();
        }
        return nullptr;
    }

    boardserver::testing::ServerProcess server;
    std::string dir;
    std::vector<std::string> messages;
    std::unique_ptr<TMainForm> form;
};

} // namespace apptest
