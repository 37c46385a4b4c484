// The desktop around the reader, in the window against the bundled board server: the first start
// fetches the directory by itself, a dark desktop gets the dark skin, and the zoom is kept across
// a restart.
#include <QApplication>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "tests/app/boardfixture.h"
#include "ui/statusbar.h"
#include "ui/theme.h"
#include "view/htmlview.h"
#include "view/webengine.h"

namespace {

int argc = 1;
char arg0[] = "app_desktop_test";
char *argv[] = {arg0, nullptr};

class DesktopTest : public apptest::BoardFixture {
protected:
    static void SetUpTestSuite()
    {
        if (!QApplication::instance()) {
            view::PrepareProcess();
            new QApplication(argc, argv);
        }
    }

    std::vector<std::string> serverArguments() const override
    {
        return {"--categories", "1", "--depth", "1", "--subcategories", "1", "--boards", "2",
                "--topics", "3", "--messages", "12", "--huge", "0"};
    }

    void TearDown() override
    {
        QApplication::setPalette(m_lightPalette);
        BoardFixture::TearDown();
    }

    /// Fetches the directory as the user does, and waits until its boards are in the tree.
    bool waitForFirstCrawl()
    {
        if (!form->actions().run("CtgUpdate"))
            return false;
        return apptest::WaitFor([&] {
            form->actions().update("CtgUpdate");
            return form->actions().action("CtgUpdate")->isEnabled() && !boards().empty();
        }, 60000);
    }

    /// Opens the first topic of a listed board and waits until its page is in the view.
    view::HtmlView *openFirstTopic()
    {
        QTreeWidget *list = openListedBoard();
        if (!list)
            return nullptr;
        list->setCurrentItem(list->topLevelItem(0));
        form->actions().run("PopThrLstActiveOpen");
        view::HtmlView *browser = nullptr;
        apptest::WaitFor([&] {
            ui::TopicPage *tab = form->topicPane().activePage();
            browser = tab ? qobject_cast<view::HtmlView *>(tab->browser.data()) : nullptr;
            return tab && !tab->downloading() && !tab->lines.empty() && browser && !browser->isLoading();
        }, 60000);
        return browser;
    }

    QString evaluate(view::HtmlView &browser, const QString &script)
    {
        QString result;
        bool done = false;
        browser.runScript(script, [&](const QVariant &value) {
            result = value.toString();
            done = true;
        });
        apptest::WaitFor([&] { return done; }, 10000);
        return result;
    }

    /// Every role the test reads set, so that setting it is a change Qt passes on.
    static QPalette LightPalette()
    {
        QPalette p;
        for (auto [role, color] : {std::pair{QPalette::Window, Qt::white}, {QPalette::WindowText, Qt::black},
                                   {QPalette::Base, Qt::white}, {QPalette::Text, Qt::black}})
            p.setColor(role, color);
        return p;
    }
    QPalette m_lightPalette = LightPalette();
};

TEST_F(DesktopTest, TheFirstStartAsksTheBoardNothingAndSaysHowToGetTheTree)
{
    EXPECT_EQ(form->statusPanels().panelText(0),
              QString::fromUtf8("カテゴリ一覧がありません。カテゴリ一覧を更新してください"));
    form->actions().update("CtgUpdate");
    EXPECT_TRUE(form->actions().action("CtgUpdate")->isEnabled()) << "no crawl runs that the user did not start";
    EXPECT_EQ(form->pipeline().runningCount(), 0);
    EXPECT_EQ(form->pipeline().waitingGeneral() + form->pipeline().waitingCategory(), 0u);
    ASSERT_TRUE(waitForFirstCrawl()) << "no board arrived";
    EXPECT_TRUE(std::filesystem::exists(dir + "Category/Hakobune.dll.ctg"));
    EXPECT_EQ(form->statusPanels().modeText(), QString::fromUtf8("オンライン"));
    form->actions().action("FileOnline")->trigger();
    EXPECT_EQ(form->statusPanels().modeText(), QString::fromUtf8("オフライン"));
}

TEST_F(DesktopTest, ADarkDesktopShowsTopicsWithTheDarkSkin)
{
    ASSERT_TRUE(waitForFirstCrawl());
    QApplication::setPalette(ui::DarkPalette());
    form->show();
    view::HtmlView *browser = openFirstTopic();
    ASSERT_TRUE(browser) << "the topic did not open";
    EXPECT_EQ(evaluate(*browser, QStringLiteral("getComputedStyle(document.body).backgroundColor")),
              QStringLiteral("rgb(32, 33, 36)"));
}

TEST_F(DesktopTest, ADarkDesktopKeepsTreesAndListsDarkWhileTheSettingsHoldTheirDefaults)
{
    ASSERT_TRUE(waitForFirstCrawl());
    // Started again on a dark desktop: now the tree comes from the category file at the start,
    // before the settings are applied, and the board's list is made later.
    form.reset();
    QApplication::setPalette(ui::DarkPalette());
    form = std::make_unique<TMainForm>(dir, [this](const QString &, const QString &text) {
        messages.push_back(text.toStdString());
    });
    ASSERT_TRUE(form->FormCreate());
    form->show();
    QTreeWidget *tree = siteTab().tree;
    ASSERT_TRUE(tree);
    EXPECT_LT(tree->palette().color(QPalette::Base).lightness(), tree->palette().color(QPalette::Text).lightness())
        << "tree base " << tree->palette().color(QPalette::Base).name().toStdString() << ", text "
        << tree->palette().color(QPalette::Text).name().toStdString();
    QTreeWidget *list = openListedBoard();
    ASSERT_TRUE(list);
    EXPECT_LT(list->palette().color(QPalette::Base).lightness(), list->palette().color(QPalette::Text).lightness())
        << "list base " << list->palette().color(QPalette::Base).name().toStdString();
}

TEST_F(DesktopTest, TheZoomAppliesToOpenTopicsAndSurvivesARestart)
{
    ASSERT_TRUE(waitForFirstCrawl());
    form->show();
    view::HtmlView *browser = openFirstTopic();
    ASSERT_TRUE(browser);
    ASSERT_TRUE(form->actions().run("ViewZoomIn"));
    ASSERT_TRUE(form->actions().run("ViewZoomIn"));
    EXPECT_DOUBLE_EQ(browser->zoomFactor(), 1.25);
    EXPECT_EQ(form->settings().view.zoom, 125);

    form.reset(); // closing writes the settings
    form = std::make_unique<TMainForm>(dir, [this](const QString &, const QString &text) {
        messages.push_back(text.toStdString());
    });
    ASSERT_TRUE(form->FormCreate());
    EXPECT_EQ(form->settings().view.zoom, 125);
    form->show();
    browser = openFirstTopic();
    ASSERT_TRUE(browser);
    EXPECT_DOUBLE_EQ(browser->zoomFactor(), 1.25) << "a tab opened after the restart takes the kept zoom";
    ASSERT_TRUE(form->actions().run("ViewZoomReset"));
    EXPECT_DOUBLE_EQ(browser->zoomFactor(), 1.0);
}

} // namespace
