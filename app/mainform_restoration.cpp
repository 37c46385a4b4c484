// Tab restoration in the window: the open topic lists and topics written at shutdown and
// reopened from the logs at start-up. The file and its rules live in store/restoration.
#include "app/mainform.h"
#include "base/programdir.h"
#include "store/boardlist.h"
#include "store/restoration.h"
#include "ui/panes.h"

#include <QTreeWidget>

namespace {

/// Creates the tabs of the entries the store reads back, in file order.
class WindowRestorationHost final : public store::RestorationHost {
public:
    using Resolve = std::function<std::optional<std::string>(const std::string &)>;
    using Favorites = std::function<void()>;
    using List = std::function<void(store::RestoredList)>;
    using Topic = std::function<void(store::RestoredTopic)>;

    WindowRestorationHost(Resolve resolve, Favorites favorites, List list, Topic topic)
        : m_resolve(std::move(resolve)), m_favorites(std::move(favorites)), m_list(std::move(list)),
          m_topic(std::move(topic))
    {}
    std::optional<std::string> resolveBoardDir(const std::string &listUrl) override { return m_resolve(listUrl); }
    void openFavoritesTab() override { m_favorites(); }
    void openTopicList(store::RestoredList list) override { m_list(std::move(list)); }
    void openTopic(store::RestoredTopic topic) override { m_topic(std::move(topic)); }

private:
    Resolve m_resolve;
    Favorites m_favorites;
    List m_list;
    Topic m_topic;
};

} // namespace

void TMainForm::RestoreOpenTabs()
{
    // Without the plug-in nothing restored could be used; the file stays for the next start.
    if (!m_plugin)
        return;
    std::optional<base::Lines> lines = base::ReadLines(base::JoinPath(m_programDir, store::kRestorationFileName));
    if (!lines)
        return;
    WindowRestorationHost host(
        [this](const std::string &listUrl) { return resolveBoardDir(listUrl); },
        [this] { ThrLstFavoriteTabExecute(); },
        [this](store::RestoredList list) {
            ui::TopicListPage &page =
                m_topicListPane->createPage(m_plugin, list.caption, false, true, m_settings.tab.icon);
            page.listUrl = list.listUrl;
            page.boardDir = list.boardDir;
            page.boardName = list.caption;
            net::PageResult result = store::MakeLocalPageResult(m_plugin, list.listUrl, list.records);
            mergeTopicList(result);
        },
        [this](store::RestoredTopic topic) {
            std::string caption = topic.title;
            ui::TopicPage &page = m_topicPane->createPage(m_plugin, caption, true, m_settings.tab.icon);
            connectBrowser(page);
            store::ApplyRestoredTopic(page, std::move(topic));
            renderTopic(page);
        });
    store::RestoreOpenTabs(*lines, m_boardServer, m_settings.general.msgview, host);
}

void TMainForm::SaveOpenTabs()
{
    // A run without the plug-in restored nothing; the previous run's tabs are kept.
    if (!m_plugin)
        return;
    std::vector<std::string> listUrls;
    for (int i = 0; i < m_topicListPane->pages().size(); ++i)
        listUrls.push_back(m_topicListPane->pages()[i].listUrl);
    std::vector<store::OpenTopicTab> topics;
    for (int i = 0; i < m_topicPane->pages().size(); ++i) {
        const ui::TopicPage &tab = m_topicPane->pages()[i];
        // An extraction tab shows part of another tab's topic; it has no topic of its own.
        if (!tab.site)
            continue;
        topics.push_back({tab.topicUrl, tab.scrollTarget, tab.viewStart});
    }
    if (!store::SaveOpenTabs(base::JoinPath(m_programDir, store::kRestorationFileName), listUrls, topics))
        qWarning("the open tabs could not be saved");
}
