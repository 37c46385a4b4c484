// Topics in the window: opening a topic online or from its log, the messages arriving one by
// one, the end of a fetch, rendering into the tab's view, pop-ups, links, paging and extraction.
// The rules live in store/ and view/; this file carries them out on the widgets.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QToolBar>
#include <QTreeWidget>

#include "app/mainform.h"
#include "base/text.h"
#include "net/endpoints.h"
#include "net/pipeline.h"
#include "qtbridge/sjis.h"
#include "store/boarddir.h"
#include "store/boardlist.h"
#include "store/boardtexts.h"
#include "store/pageindex.h"
#include "store/safename.h"
#include "store/topicfetch.h"
#include "store/topicopen.h"
#include "store/topictexts.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include "ui/topiclistview.h"
#include "view/extraction.h"
#include "view/htmlview.h"
#include "view/render.h"
#include "view/rendernav.h"

namespace {

QString sjis(std::string_view bytes)
{
    return qtbridge::FromSjis(bytes);
}

} // namespace

bool TMainForm::enqueueMessage(const std::string &url, const std::string &key)
{
    return m_pipeline->EnqueueRequest(m_plugin, url.c_str(), key.c_str(), nullptr, plugin_api::kMessagePage, 0, 0) == 1;
}

std::optional<std::string> TMainForm::resolveBoardDir(const std::string &listUrl)
{
    return store::ResolveBoardLogDir({m_programDir, m_settings.path.log}, listUrl);
}

store::FetchOptions TMainForm::fetchOptions() const
{
    return store::MakeFetchOptions(m_settings, m_boardServer);
}

ui::TopicPage &TMainForm::topicTabFor(const std::string &pageKey, bool reuse, const std::string &caption)
{
    ui::TopicPane &pane = *m_topicPane;
    int index = store::FindPageIndexIn(pane.pages(), m_plugin, pageKey, store::PageKind::Topic);
    if (index < 0) {
        if (reuse && pane.activePage()) {
            index = pane.strip()->currentIndex();
            pane.strip()->setCaption(index, caption);
        } else {
            ui::TopicPage &page = pane.createPage(m_plugin, caption, true, m_settings.tab.icon);
            index = pane.pages().indexOf(&page);
            connectBrowser(page);
        }
    }
    pane.strip()->setCurrentIndex(index);
    ui::TopicPage &page = pane.pages()[index];
    page.site = m_plugin;
    return page;
}

void TMainForm::bringTopicPaneForward()
{
    if (!m_topicPane->isHidden())
        return;
    m_topicListPane->setVisible(!m_actions->action(QStringLiteral("WindowThrLst"))->isChecked());
    m_arranger->arrange(ui::RightPane::TopicList);
}

bool TMainForm::refuseBadTopicId(const std::string &pageKey)
{
    // A topic id from a typed or clicked URL becomes a file name: anything but an id is refused
    // before a request is queued or a file is touched.
    if (store::IsTopicId(base::ExtractUrlParam("tid=", pageKey).value_or("")))
        return false;
    ShowStatus(0, sjis(store::kInvalidTopicIdText));
    return true;
}

void TMainForm::OpenTopicOnline(const std::string &pageKey, int start, int end, bool reuse)
{
    if (refuseBadTopicId(pageKey))
        return;
    store::FetchOptions options = fetchOptions();
    auto opening = store::OpenTopicOnline(pageKey, options, *this);
    if (!opening)
        return;
    showSiteStatus(m_plugin, store::kThreadStatusTitle, store::kThreadFetchStarted);
    // A reused tab may still hold messages of its previous topic; they are written first.
    if (reuse && m_topicPane->activePage() &&
        store::FindPageIndexIn(m_topicPane->pages(), m_plugin, pageKey, store::PageKind::Topic) < 0)
        store::FlushTopic(*m_topicPane->activePage(), *this);
    ui::TopicPage &tab = topicTabFor(pageKey, reuse, opening->title);
    store::BeginOnlineFetch(tab, std::move(*opening), start, end, options, *this);
    m_urlEdit->setText(QString::fromLatin1(pageKey.c_str()));
    bringTopicPaneForward();
    renderTopic(tab);
}

void TMainForm::OpenTopicLocal(const std::string &pageKey, bool reuse, int target)
{
    if (refuseBadTopicId(pageKey))
        return;
    auto opening = store::OpenTopicLocal(pageKey, m_boardServer, *this);
    if (!opening)
        return;
    int posts = store::FindListedPostCount(store::BoardListFilePath(opening->boardDir), opening->logName);
    showSiteStatus(m_plugin, store::kThreadStatusTitle, store::kThreadFetchStarted);
    if (reuse && m_topicPane->activePage() &&
        store::FindPageIndexIn(m_topicPane->pages(), m_plugin, pageKey, store::PageKind::Topic) < 0)
        store::FlushTopic(*m_topicPane->activePage(), *this);
    ui::TopicPage &tab = topicTabFor(pageKey, reuse, std::string());
    if (store::BeginLocalView(tab, std::move(*opening), posts, target, m_settings.general.msgview, *this))
        m_topicPane->strip()->setCaption(m_topicPane->pages().indexOf(&tab), tab.title);
    m_urlEdit->setText(QString::fromLatin1(pageKey.c_str()));
    bringTopicPaneForward();
    renderTopic(tab);
}

bool TMainForm::renderTopic(ui::TopicPage &tab, bool keepScroll)
{
    auto *browser = qobject_cast<view::HtmlView *>(tab.browser.data());
    if (keepScroll && (!browser || browser->isLoading()))
        return false;
    view::RenderSettings rs{m_settings.path.skin, m_programDir, m_settings.endpoint.profile, m_boardServer,
                            m_settings.general.msgview, &m_ngLists, darkDesktop()};
    rs.ngPatterns = &ngPatterns();
    rs.ngChain = m_settings.view.ngChain;
    view::RenderedPage page = view::RenderTopicPage(tab, tab.lines, rs);
    if (!page.ok) {
        // Said once until a page is shown again: a downloading topic is shown every second, and
        // a box each time would stack up over the window. The mark goes first, as the box's own
        // event loop goes on showing the download while it is open.
        if (!m_skinErrorShown) {
            m_skinErrorShown = true;
            m_showMessage(QString::fromUtf8("スキンエラー"), sjis(page.error));
        }
        return true;
    }
    m_skinErrorShown = false;
    if (page.skinDirChanged)
        m_settings.path.skin = page.skinDir;
    if (!browser)
        return true;
    if (keepScroll) {
        if (!browser->reloadKeepingScroll(std::move(page.html)))
            return false;
    } else {
        browser->setScrollTarget(tab.scrollTarget);
        browser->load(std::move(page.html));
    }
    m_renderedTopic = {tab.site, tab.topicUrl};
    m_renderedAdded = tab.added;
    return true;
}

void TMainForm::updateFinishedRows(const ui::TopicPage &tab, int fetched)
{
    // The topic's row in its board's list and in the favorites list.
    ui::TopicListPane &pane = *m_topicListPane;
    for (int index : {store::FindPageIndexIn(pane.pages(), tab.site, tab.listUrl, store::PageKind::TopicList),
                      store::FindPageIndexIn(pane.pages(), nullptr, store::kFavoritesListUrl,
                                             store::PageKind::TopicList)}) {
        if (index < 0)
            continue;
        auto *list = qobject_cast<QTreeWidget *>(pane.pages()[index].view.data());
        if (!list || !pane.pages()[index].isList())
            continue;
        ui::TopicRowsAdapter rows(*list, m_images);
        for (int i = 0; i < rows.rowCount(); ++i) {
            if (rows.row(i).entry.topicUrl != tab.topicUrl)
                continue;
            store::TopicRow row = rows.row(i);
            store::RowFigures figures =
                store::FinishedRowFigures(base::ParseInt(row.text(store::kPostsItem), 0), fetched);
            row.subItems[store::kFetchedItem] = std::to_string(figures.fetched);
            row.subItems[store::kUnfetchedItem] = std::to_string(figures.notFetched);
            row.image = figures.icon;
            rows.replaceRow(i, std::move(row));
            break;
        }
    }
}

void TMainForm::finishTopic(ui::TopicPage &tab, const store::FinishOutcome &finish)
{
    // A topic whose log was deleted under it keeps its rows as not fetched.
    if (!tab.logDeleted)
        updateFinishedRows(tab, finish.fetched);
    renderTopic(tab);
    showSiteStatus(tab.site, store::kThreadStatusTitle, store::FinishStatusText(tab));
}

int TMainForm::mergeMessage(const net::PageResult &result)
{
    std::string key(result.key, strnlen(result.key, sizeof result.key));
    int index = store::FindPageIndexIn(m_topicPane->pages(), result.plugin, key, store::PageKind::Topic);
    if (index < 0)
        return 0;
    ui::TopicPage &tab = m_topicPane->pages()[index];
    store::MessageMergeOutcome merged = store::MergeMessage(tab, result, fetchOptions(), *this);
    if (merged.answer == store::MergeAnswer::Requeue)
        return -1;
    applyMerge(tab, merged);
    return 0;
}

void TMainForm::applyMerge(ui::TopicPage &tab, const store::MessageMergeOutcome &merged)
{
    // The count in the caption moves with every message: shown in batches; the caption of the
    // end at once.
    if (merged.added && !merged.finished)
        scheduleLiveRender();
    if (!merged.caption.empty() && merged.finished)
        setFinalCaption(tab, merged.caption);
    else if (!merged.caption.empty())
        deferFetchCaption(tab);
    if (merged.finished)
        finishTopic(tab, merged.finish);
}

void TMainForm::messageGivenUp(const FetchRequest &request)
{
    std::string key(request.key, strnlen(request.key, sizeof request.key));
    int index = store::FindPageIndexIn(m_topicPane->pages(), request.plugin, key, store::PageKind::Topic);
    if (index < 0)
        return;
    ui::TopicPage &tab = m_topicPane->pages()[index];
    applyMerge(tab, store::GiveUpMessage(tab, fetchOptions(), *this));
}

void TMainForm::ThrStopExecute()
{
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab)
        return;
    int removed = m_pipeline->removeQueuedRequests(net::TopicRequestPrefix(m_boardServer, tab->topicUrl));
    store::FinishOutcome finish = store::StopFetch(*tab, removed, fetchOptions(), *this);
    finishTopic(*tab, finish);
}

void TMainForm::flushTopicTabs()
{
    for (int i = 0; i < m_topicPane->pages().size(); ++i)
        store::FlushTopic(m_topicPane->pages()[i], *this);
}

void TMainForm::connectBrowser(ui::TopicPage &page)
{
    auto *browser = qobject_cast<view::HtmlView *>(page.browser.data());
    if (!browser)
        return;
    zoomBrowser(page);
    connect(browser, &view::HtmlView::linkActivated, this,
            [this](const QString &url) { OpenLink(url.toStdString()); });
    connectViewMenu(page);
    connect(browser, &view::HtmlView::linkHovered, this, [this, browser](const QString &url) {
        if (!m_topicPane->activePage() || m_topicPane->activePage()->browser != browser)
            return;
        linkHovered(url.isEmpty() ? std::optional<std::string>() : std::optional<std::string>(url.toStdString()),
                    !url.isEmpty());
    });
}

void TMainForm::OpenLink(const std::string &url)
{
    ui::TopicPage *active = m_topicPane->activePage();
    view::LinkContext context{m_settings.endpoint.domain, m_settings.endpoint.profile, active,
                              m_settings.general.msgview, m_settings.general.yahoourl};
    view::LinkDecision decision = view::DecideOpenLink(url, context);
    switch (decision.action) {
    case view::LinkAction::External:
        OpenExternal(url);
        break;
    case view::LinkAction::MessageMenu:
        m_targetMessage = decision.menuTarget;
        m_actions->updateAll();
        if (QMenu *popup = menu(QStringLiteral("ResPopupMenu")))
            popup->exec(QCursor::pos());
        break;
    case view::LinkAction::SameTopicPage:
        if (active) {
            active->viewStart = decision.move.viewStart;
            active->scrollTarget = decision.move.scrollTarget;
            renderTopic(*active);
        }
        break;
    case view::LinkAction::OpenOtherTopic:
        OpenUrl(url, decision.messageNumber, decision.messageNumber, store::OpenMode::NewTab, false);
        break;
    case view::LinkAction::Nothing:
        break;
    }
}

void TMainForm::linkHovered(const std::optional<std::string> &href, bool isLink)
{
    view::HoverEffect effect = view::HoverElement(m_hover, isLink, href, m_settings.general.popres);
    if (effect.hidePopup && m_popup)
        m_popup->hide();
    if (effect.status)
        ShowStatus(0, QString::fromLatin1(effect.status->c_str()));
    if (!effect.popupMid && !effect.popupAnswersOf)
        return;
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab)
        return;
    const std::vector<std::string> *source = &tab->lines;
    if (!tab->site) {
        for (int i = 0; i < m_topicPane->pages().size(); ++i) {
            ui::TopicPage &other = m_topicPane->pages()[i];
            if (other.site && other.topicUrl == tab->topicUrl) {
                source = &other.lines;
                break;
            }
        }
    }
    auto text = effect.popupMid ? view::PopupForMessage(*effect.popupMid, *source, m_ngLists, &ngPatterns(),
                                                        m_settings.view.ngChain)
                                : view::AnswersPopup(*effect.popupAnswersOf, *source, m_ngLists, &ngPatterns(),
                                                     m_settings.view.ngChain);
    if (!text)
        return;
    if (!m_popup) {
        m_popup = new QLabel(this, Qt::ToolTip);
        m_popup->setTextFormat(Qt::PlainText); // board text is never taken for markup
        m_popup->setWordWrap(true);
        m_popup->setMargin(4);
        m_popup->setObjectName(QStringLiteral("ResPopup"));
    }
    // As wide as the main window at most; wider texts break into lines.
    m_popup->setMaximumWidth(width());
    QPalette palette = m_popup->palette();
    palette.setColor(QPalette::Window, ui::ColorFromSetting(m_settings.design.respopBkColor));
    palette.setColor(QPalette::WindowText, ui::ColorFromSetting(m_settings.design.respopFont.color));
    m_popup->setPalette(palette);
    m_popup->setAutoFillBackground(true);
    m_popup->setFont(popupFont());
    QString shown = sjis(*text);
    m_popup->setText(shown);
    // The size the text needs, as wide as its longest line up to the window's width; longer
    // lines break.
    QMargins margins = m_popup->contentsMargins();
    int extra = 2 * m_popup->margin() + margins.left() + margins.right() + 2;
    QFontMetrics metrics(m_popup->font());
    int natural = 0;
    for (const QString &line : shown.split(u'\n'))
        natural = std::max(natural, metrics.horizontalAdvance(line));
    int popupWidth = std::min(width(), natural + extra);
    m_popup->resize(popupWidth, m_popup->heightForWidth(popupWidth));
    // The pop-up's lower left corner sits at the mouse.
    QPoint at = QCursor::pos() - QPoint(0, m_popup->height());
    m_popup->move(at.x(), std::max(at.y(), 0));
    m_popup->show();
}

void TMainForm::ThrResExtraExecute()
{
    ui::TopicPage *source = m_topicPane->activePage();
    if (!source || !source->site)
        return;
    bool ok = false;
    QString text = QInputDialog::getText(this, QString::fromUtf8("抽出文字列の入力"),
                                         QString::fromUtf8("抽出するレスに含まれる文字列を入力してください"),
                                         QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    int sourceIndex = m_topicPane->pages().indexOf(source);
    if (sourceIndex < 0)
        return;
    std::string caption = view::ExtractionCaption(m_topicPane->strip()->caption(sourceIndex));
    // The source's extraction page is the site-less tab of its topic: captions are neither unique
    // nor fixed.
    ui::TopicPage *page = nullptr;
    int found = store::FindPageIndexIn(m_topicPane->pages(), nullptr, source->topicUrl, store::PageKind::Topic);
    if (found >= 0) {
        page = &m_topicPane->pages()[found];
        m_topicPane->strip()->setCurrentIndex(found);
    }
    if (!page) {
        page = &m_topicPane->createPage(nullptr, caption, true, m_settings.tab.icon);
        connectBrowser(*page);
        // createPage may have moved the records; find the source again.
        source = &m_topicPane->pages()[sourceIndex];
    }
    view::FillExtractionPage(*page, *source, qtbridge::ToSjis(text));
    renderTopic(*page);
}

void TMainForm::wireTopics()
{
    ui::ActionList &a = *m_actions;
    auto active = [this] { return m_topicPane->activePage(); };

    a.setExecute(QStringLiteral("ThrMsgNext"), [this, active] {
        ui::TopicPage *tab = active();
        if (!tab)
            return;
        if (auto move = view::NextMessages(tab->lines, tab->viewStart, m_settings.general.msgview)) {
            tab->viewStart = move->viewStart;
            tab->scrollTarget = move->scrollTarget;
            renderTopic(*tab);
        }
    });
    a.setUpdate(QStringLiteral("ThrMsgNext"), [this, active](QAction &act) {
        ui::TopicPage *tab = active();
        act.setEnabled(tab && view::CanShowNextMessages(tab->lines.size(), tab->viewStart, m_settings.general.msgview));
    });
    a.setExecute(QStringLiteral("ThrMsgPrev"), [this, active] {
        ui::TopicPage *tab = active();
        if (!tab)
            return;
        if (auto move = view::PreviousMessages(tab->lines, tab->viewStart, m_settings.general.msgview)) {
            tab->viewStart = move->viewStart;
            tab->scrollTarget = move->scrollTarget;
            renderTopic(*tab);
        }
    });
    a.setUpdate(QStringLiteral("ThrMsgPrev"), [active](QAction &act) {
        ui::TopicPage *tab = active();
        act.setEnabled(tab && view::CanShowPreviousMessages(tab->viewStart));
    });
    a.setExecute(QStringLiteral("ThrReload"), [this, active] {
        if (ui::TopicPage *tab = active())
            renderTopic(*tab);
    });
    a.setUpdate(QStringLiteral("ThrReload"), [active](QAction &act) { act.setEnabled(active() != nullptr); });
    a.setExecute(QStringLiteral("ThrStop"), [this] { ThrStopExecute(); });
    a.setUpdate(QStringLiteral("ThrStop"), [active](QAction &act) {
        ui::TopicPage *tab = active();
        act.setEnabled(tab && tab->downloading());
    });
    a.setExecute(QStringLiteral("ThrBrowserOpen"), [this, active] {
        if (ui::TopicPage *tab = active(); tab && !tab->topicUrl.empty())
            OpenUrl(tab->topicUrl, 0, 0, store::OpenMode::Browser, false);
    });
    a.setUpdate(QStringLiteral("ThrBrowserOpen"), [active](QAction &act) {
        ui::TopicPage *tab = active();
        act.setEnabled(tab && !tab->topicUrl.empty());
    });
    // `ThrResExtraUpdate`: the three commands that need the topic's site.
    auto withSite = [active](QAction &act) {
        ui::TopicPage *tab = active();
        act.setEnabled(tab && tab->site);
    };
    a.setExecute(QStringLiteral("ThrOpenThrLst"), [this, active] {
        if (ui::TopicPage *tab = active())
            OpenUrl(tab->listUrl, 0, 0, store::OpenMode::NewTab, false);
    });
    a.setUpdate(QStringLiteral("ThrOpenThrLst"), withSite);
    a.setExecute(QStringLiteral("ThrDlRes"), [this, active] {
        if (ui::TopicPage *tab = active())
            OpenUrl(tab->topicUrl, 1, tab->postCount, store::OpenMode::ActiveTab, false);
    });
    a.setUpdate(QStringLiteral("ThrDlRes"), withSite);
    a.setExecute(QStringLiteral("ThrResExtra"), [this] { ThrResExtraExecute(); });
    a.setUpdate(QStringLiteral("ThrResExtra"), withSite);

    // `ThrUpdate`: the message URL of the active topic, at the target message or message 1.
    auto messageUrl = [this](const ui::TopicPage &tab) {
        std::string board = base::ExtractUrlParam("board=", tab.topicUrl).value_or("");
        std::string topic = base::ExtractUrlParam("tid=", tab.topicUrl).value_or("");
        return net::MessageUrl(m_boardServer, board, topic, m_targetMessage == -1 ? 1 : m_targetMessage);
    };
    a.setExecute(QStringLiteral("ThrUrlCopy"), [active, messageUrl] {
        if (ui::TopicPage *tab = active())
            QApplication::clipboard()->setText(QString::fromLatin1(messageUrl(*tab).c_str()));
    });
    a.setUpdate(QStringLiteral("ThrUrlCopy"), [active](QAction &act) { act.setEnabled(active() != nullptr); });
    a.setExecute(QStringLiteral("ThrTitleUrlCopy"), [this, active, messageUrl] {
        if (ui::TopicPage *tab = active()) {
            std::string caption = m_topicPane->strip()->caption(m_topicPane->pages().indexOf(tab));
            QApplication::clipboard()->setText(sjis(caption + "\n" + messageUrl(*tab)));
        }
    });
    a.setUpdate(QStringLiteral("ThrTitleUrlCopy"), [active](QAction &act) { act.setEnabled(active() != nullptr); });

    // The jump box: Enter moves the page to the typed message number.
    if (auto *edit = m_topicPane->resBand()->findChild<QLineEdit *>(QStringLiteral("ResLabeledEdit")))
        connect(edit, &QLineEdit::returnPressed, this, [this, edit, active] {
            ui::TopicPage *tab = active();
            if (!tab)
                return;
            if (auto move = view::JumpToMessage(tab->lines, qtbridge::ToSjis(edit->text()), m_settings.general.msgview)) {
                tab->viewStart = move->viewStart;
                tab->scrollTarget = move->scrollTarget;
                renderTopic(*tab);
            }
        });

    // Switching tabs hides a pop-up of the previous one.
    connect(m_topicPane->strip(), &QTabWidget::currentChanged, this, [this] {
        if (m_popup)
            m_popup->hide();
        m_hover = {};
    });
}
