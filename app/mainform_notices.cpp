// `HandleNotice`: the workers' notices, dispatched to the part of the window that owns them.
#include <QAction>

#include "app/mainform.h"
#include "net/endpoints.h"
#include "net/pipeline.h"
#include "net/texts.h"
#include "qtbridge/sjis.h"
#include "ui/panes.h"
#include "ui/statusbar.h"
#include <QTreeWidget>

void TMainForm::applyStatus(const net::StatusChange &change)
{
    // Every request changes the running count: shown in batches (mainform_liveupdates.cpp).
    deferStatus(change);
}

void TMainForm::handleStatus(net::StatusEvent event)
{
    applyStatus(m_pipeline->dispatcherStatus(event));
}

int TMainForm::handleNotice(net::NoticeCode code, const void *payload)
{
    using net::NoticeCode;
    // A message in, or given up, moves the active topic's fetch on: the bar follows it, with
    // the next batch of live updates rather than a repaint per notice.
    struct ProgressRefresh {
        TMainForm *form;
        ~ProgressRefresh() { form->scheduleLiveUpdates(); }
    } refresh{this};
    switch (code) {
    case NoticeCode::CategoryParsed:
        addParsedCategories(*static_cast<const net::CategoryResult *>(payload));
        return 0;
    case NoticeCode::TopicListParsed:
        mergeTopicList(*static_cast<const net::PageResult *>(payload));
        return 0;
    case NoticeCode::MessageParsed:
        return mergeMessage(*static_cast<const net::PageResult *>(payload));
    case NoticeCode::RequestFailed: {
        const auto &request = *static_cast<const FetchRequest *>(payload);
        net::RetryOutcome outcome = m_pipeline->handleRequestFailed(request);
        if (request.kind == plugin_api::kCategoryPage && outcome.answer == 1)
            m_crawl.requeued();
        if (!outcome.retryErrorListUrl.empty()) {
            ui::TopicListPane &pane = *m_topicListPane;
            for (int i = 0; i < pane.pages().size(); ++i) {
                // A favorites refresh asks for a board's list without a plug-in: the board's own
                // tab did not ask, and its list may be in or still on its way.
                if (pane.pages()[i].site != request.plugin || pane.pages()[i].listUrl != outcome.retryErrorListUrl)
                    continue;
                pane.strip()->setCaption(i, net::kRetryErrorText);
                // No list will come: the rows the tab had stay, and a batch begun ends.
                pane.pages()[i].awaitingList = false;
                if (QWidget *view = pane.pages()[i].view)
                    view->setUpdatesEnabled(true);
            }
        }
        if (outcome.answer == 0)
            postRequestLost(request);
        return outcome.answer;
    }
    case NoticeCode::WorkerEnded:
        applyStatus(m_pipeline->handleWorkerEnded());
        return 0;
    case NoticeCode::LoginStatus: {
        net::LoginOutcome outcome = m_pipeline->handleLoginStatus(static_cast<const char *>(payload));
        applyStatus(outcome.status);
        if (outcome.loggedIn)
            m_actions->action(QStringLiteral("FileLogin"))->setChecked(*outcome.loggedIn);
        return 0;
    }
    case NoticeCode::MessageRejected: {
        const auto &request = *static_cast<const FetchRequest *>(payload);
        // A re-fetch that cannot be queued will never answer: the message is given up.
        if (m_pipeline->RequeueRequest(request, net::RequeueMode::Refetch) == 0)
            messageGivenUp(request);
        return 1;
    }
    case NoticeCode::CategoryWorkerEnded:
        categoryWorkerEnded();
        return 0;
    case NoticeCode::PostFormParsed:
        postFormParsed(*static_cast<const net::PageResult *>(payload));
        return 0;
    case NoticeCode::PostFormEmpty:
        postFormEmpty(*static_cast<const net::PageResult *>(payload));
        return 0;
    case NoticeCode::PostFormRedirected:
        ShowStatus(0, QString::fromUtf8("ログインされていません"));
        return 0;
    case NoticeCode::PostAnswered:
        postAnswered(*static_cast<const net::PageResult *>(payload));
        return 0;
    default:
        return 0;
    }
}

void TMainForm::FileLoginExecute()
{
    const std::string &login = m_settings.endpoint.login;
    std::string url = m_pipeline->loggedIn() ? net::LogoutUrl(login)
                                             : net::LoginUrl(login, m_settings.login.id, m_settings.login.pass);
    m_pipeline->EnqueueRequest(nullptr, url.c_str(), nullptr, nullptr,
                               m_pipeline->loggedIn() ? plugin_api::kLogout : plugin_api::kLogin, 0, 0);
}
