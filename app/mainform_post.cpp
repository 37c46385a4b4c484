// Posting in the window: the reply and new-topic commands, the post form dialogs they open, the
// post they send and the answers the workers bring back (notices 11 to 14).
#include "app/mainform.h"
#include "help/help.h"
#include "help/helpwindow.h"
#include "net/endpoints.h"
#include "net/http.h"
#include "net/pipeline.h"
#include "post/postformdlg.h"
#include "post/postquery.h"
#include "qtbridge/sjis.h"
#include "store/listrows.h"
#include "ui/panes.h"
#include "ui/tabstrip.h"
#include "ui/topiclistview.h"

#include <QAction>
#include <QTimer>
#include <QTreeWidget>
#include <cstring>

namespace {

std::string fieldText(const char *field, std::size_t size)
{
    return std::string(field, ::strnlen(field, size));
}

} // namespace

void TMainForm::wirePost()
{
    ui::ActionList &a = *m_actions;
    auto topicExists = [this](QAction &act) { act.setEnabled(m_topicPane->activePage() != nullptr); };
    a.setExecute(QStringLiteral("ThrRes"), [this] { replyExecute(false); });
    a.setUpdate(QStringLiteral("ThrRes"), topicExists);
    a.setExecute(QStringLiteral("PopRes"), [this] { replyExecute(false); });
    a.setUpdate(QStringLiteral("PopRes"), topicExists);
    a.setExecute(QStringLiteral("PopResQuo"), [this] { replyExecute(true); });
    a.setUpdate(QStringLiteral("PopResQuo"), topicExists);
    a.setExecute(QStringLiteral("ThrLstWrite"), [this] { ThrLstWriteExecute(); });
    a.setUpdate(QStringLiteral("ThrLstWrite"), [this](QAction &act) {
        ui::TopicListPage *page = m_topicListPane->activePage();
        auto *list = page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
        act.setEnabled(page && page->isList() && (page->site || (list && ui::SelectedTopicItem(*list))));
    });
}

void TMainForm::replyExecute(bool quote)
{
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab)
        return;
    std::string caption = m_topicPane->strip()->caption(m_topicPane->pages().indexOf(tab));
    post::ReplyStart start =
        post::StartReply(m_settings.endpoint.post, tab->topicUrl, caption, tab->lines, m_targetMessage, quote);
    openPostDialog(start.formUrl, start.caption, start.title, start.memo, true);
}

void TMainForm::ThrLstWriteExecute()
{
    ui::TopicListPage *page = m_topicListPane->activePage();
    if (!page || !page->isList())
        return;
    post::NewTopicStart start;
    if (page->site) {
        std::string caption = m_topicListPane->strip()->caption(m_topicListPane->pages().indexOf(page));
        start = post::StartNewTopic(m_settings.endpoint.post, page->listUrl, caption);
    } else {
        // The favorites list: the board of the selected row.
        auto *list = qobject_cast<QTreeWidget *>(page->view.data());
        ui::TopicItem *row = list ? ui::SelectedTopicItem(*list) : nullptr;
        if (!row)
            return;
        start = post::StartNewTopic(m_settings.endpoint.post, row->row().entry.topicUrl,
                                    row->row().text(store::kBoardItem));
    }
    openPostDialog(start.formUrl, start.caption, std::string(), std::string(), false);
}

post::TPostFormDlg *TMainForm::findPostDialog(const std::string &url)
{
    std::erase_if(m_openPostDialogs, [](const QPointer<post::TPostFormDlg> &d) { return d.isNull(); });
    for (const QPointer<post::TPostFormDlg> &dialog : m_openPostDialogs) {
        if (dialog->formUrl() == url)
            return dialog;
        // The worker completes a URL whose last "." ":" "\" is not a dot before it fetches it.
        if (auto completed = net::CompletedUrl(dialog->formUrl()); completed && *completed == url)
            return dialog;
    }
    return nullptr;
}

void TMainForm::openPostDialog(const std::string &formUrl, const std::string &caption, const std::string &title,
                               const std::string &memo, bool isReply)
{
    if (post::TPostFormDlg *open = findPostDialog(formUrl)) {
        open->focusActiveControl();
        return;
    }
    // A dialog whose form request could not be queued would wait for it for ever and keep every
    // later one for the same form from opening.
    if (m_pipeline->EnqueueRequest(nullptr, formUrl.c_str(), nullptr, nullptr, plugin_api::kPostForm, 0, 0) != 1)
        return;
    auto *dialog = new post::TPostFormDlg(this, m_makeBrowser);
    dialog->setFormUrl(formUrl);
    dialog->setCaption(caption);
    dialog->setTitleText(title);
    dialog->setMemoText(memo);
    dialog->setReply(isReply);
    connect(dialog, &post::TPostFormDlg::sendRequested, this, [this, dialog] { sendPost(*dialog); });
    connect(dialog, &post::TPostFormDlg::helpRequested, this, [this, dialog] {
        if (m_help)
            m_help->openKeyword(dialog, QString::fromUtf8("書き込み"));
    });
    // Closed in any way, the dialog leaves the list at once; it is deleted a moment later.
    connect(dialog, &QDialog::finished, this, [this, dialog] { std::erase(m_openPostDialogs, dialog); });
    m_openPostDialogs.emplace_back(dialog);
}

void TMainForm::sendPost(post::TPostFormDlg &dialog)
{
    const std::string title = dialog.titleText();
    if (post::TitleIsEmpty(title)) {
        m_showMessage(QString(), QString::fromUtf8("タイトルが入力されていません。"));
        return;
    }
    post::PostContent content{dialog.nicknameIndex(), dialog.memoText(), title};
    const std::string query =
        dialog.isReply() ? post::ReplyQuery(dialog.formUrl(), content) : post::NewTopicQuery(dialog.formUrl(), content);
    const std::string url = net::PostUrl(m_settings.endpoint.post);

    // A request too long to go out would fail in the worker without ever reaching the board;
    // say so now, while the text is still in front of the user.
    FetchRequest probe{};
    std::memcpy(probe.url, url.c_str(), std::min(url.size() + 1, sizeof probe.url - 1));
    probe.postQuery = const_cast<char *>(query.c_str());
    probe.kind = plugin_api::kPost;
    net::ExchangeSettings exchange;
    exchange.loggedIn = m_pipeline->loggedIn();
    exchange.cookies = m_pipeline->cookies();
    exchange.postBase = m_settings.endpoint.post;
    if (url.size() >= sizeof probe.url || !net::BuildRequestText(probe, exchange)) {
        ShowStatus(0, QString::fromUtf8("書き込みに失敗しました"));
        m_showMessage(QString(), QString::fromUtf8("メッセージが長すぎるため書き込めません。"));
        return;
    }
    if (m_pipeline->EnqueueRequest(nullptr, url.c_str(), dialog.formUrl().c_str(), query.c_str(), plugin_api::kPost, 0,
                                   0) != 1) {
        ShowStatus(0, QString::fromUtf8("書き込みに失敗しました"));
        return;
    }
    dialog.hide();
}

void TMainForm::postFormParsed(const net::PageResult &result)
{
    post::TPostFormDlg *dialog = findPostDialog(fieldText(result.url, sizeof result.url));
    if (!dialog || !result.result)
        return;
    const auto *texts = static_cast<char *const *>(result.result);
    std::vector<std::string> names;
    for (int i = 0; i < std::min(result.value, 10); ++i)
        names.emplace_back(texts[i], ::strnlen(texts[i], 256));
    dialog->setNicknames(names);
    dialog->clearPreview();
    dialog->showCentred();
}

void TMainForm::postFormEmpty(const net::PageResult &result)
{
    if (post::TPostFormDlg *dialog = findPostDialog(fieldText(result.url, sizeof result.url))) {
        std::erase(m_openPostDialogs, dialog);
        delete dialog;
    }
}

void TMainForm::postAnswered(const net::PageResult &result)
{
    post::TPostFormDlg *dialog = findPostDialog(fieldText(result.key, sizeof result.key));
    if (!dialog)
        return;
    if (result.result) {
        const auto *location = static_cast<const char *>(result.result);
        std::erase(m_openPostDialogs, dialog);
        dialog->close();
        // The topic with the new message, fetched from the board.
        OpenUrl(location, 0, 0, store::OpenMode::NewTab, false);
        return;
    }
    ShowStatus(0, QString::fromUtf8("書き込みに失敗しました"));
    dialog->showCentred();
}

void TMainForm::postRequestLost(const FetchRequest &request)
{
    if (request.kind == plugin_api::kPostForm) {
        // No form will come: the dialog goes, so that the next reply to the same form can open.
        if (post::TPostFormDlg *dialog = findPostDialog(fieldText(request.url, sizeof request.url))) {
            std::erase(m_openPostDialogs, dialog);
            delete dialog;
            ShowStatus(0, QString::fromUtf8("書き込みフォームの取得に失敗しました"));
        }
    } else if (request.kind == plugin_api::kPost) {
        // The post may have reached the board before its answer was lost. It is not sent again
        // unseen: the user gets the text back and decides after looking at the topic.
        if (post::TPostFormDlg *dialog = findPostDialog(fieldText(request.key, sizeof request.key))) {
            ShowStatus(0, QString::fromUtf8("書き込みの結果を確認できませんでした"));
            // The message first, outside the notice, and then the dialog, which would cover it.
            QTimer::singleShot(0, this, [this, waiting = QPointer<post::TPostFormDlg>(dialog)] {
                m_showMessage(QString(), QString::fromUtf8("書き込みの結果を確認できませんでした。\n"
                                                           "スレッドを更新して書き込まれたかを確かめてから、"
                                                           "必要なら書き込み直してください。"));
                if (waiting)
                    waiting->showCentred();
            });
        }
    }
}
