// The search through the stored logs in the window: `ToolSearch` opens the search window, the
// scopes come from the active tabs, and a result opens its topic from the log at the message,
// with the match marked in the page.
#include "app/mainform.h"
#include "base/programdir.h"
#include "base/text.h"
#include "qtbridge/sjis.h"
#include "search/catalog.h"
#include "search/searchdlg.h"
#include "store/boarddir.h"
#include "store/boardurls.h"
#include "store/safename.h"
#include "ui/panes.h"
#include "ui/rightpanes.h"
#include "view/htmlview.h"

#include <QLineEdit>
#include <sys/stat.h>

namespace {

// text as a JavaScript string literal.
QString ScriptString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

// Marks the first occurrence of the text in message number's part of the page (from its anchor
// up to the next message's), across the text pieces links and breaks cut it into, and brings
// it into view; true when it was found.
QString MarkScript(int number, const QString &text)
{
    return QStringLiteral(
               "(function(n,t){"
               // The marks of an earlier result go: the same page shown again keeps its document.
               "document.querySelectorAll('mark.nk-search-hit').forEach(function(m){var p=m.parentNode;"
               "while(m.firstChild)p.insertBefore(m.firstChild,m);p.removeChild(m);p.normalize();});"
               "var a=document.anchors.namedItem('Res'+n);if(!a||!t)return false;"
               "var w=document.createTreeWalker(document.body,NodeFilter.SHOW_ELEMENT|NodeFilter.SHOW_TEXT);"
               "w.currentNode=a;var nodes=[],all='',node;while((node=w.nextNode())){"
               "if(node.nodeType===1){if(node.tagName==='A'&&node.name&&node.name.indexOf('Res')===0)break;continue;}"
               "nodes.push([node,all.length]);all+=node.data;}"
               "var i=all.indexOf(t);if(i<0)i=all.toLowerCase().indexOf(t.toLowerCase());if(i<0)return false;"
               "var end=i+t.length,first=null;for(var k=0;k<nodes.length;k++){"
               "var nd=nodes[k][0],at=nodes[k][1],s=Math.max(i,at),e=Math.min(end,at+nd.data.length);"
               "if(s>=e)continue;var r=document.createRange();r.setStart(nd,s-at);r.setEnd(nd,e-at);"
               "var m=document.createElement('mark');m.className='nk-search-hit';r.surroundContents(m);"
               "if(!first)first=m;}"
               "if(first)first.scrollIntoView({block:'center'});return !!first;})(%1,%2)")
        .arg(number)
        .arg(ScriptString(text));
}

bool IsFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string LastComponent(const std::string &dir)
{
    std::string_view d = dir;
    while (d.size() > 1 && d.back() == '/')
        d.remove_suffix(1);
    const std::size_t slash = d.rfind('/');
    return std::string(slash == std::string_view::npos ? d : d.substr(slash + 1));
}

} // namespace

search::TSearchDlg *TMainForm::searchDialog() const
{
    return m_searchDlg;
}

void TMainForm::wireSearch()
{
    ui::ActionList &a = *m_actions;
    a.setExecute(QStringLiteral("ToolSearch"), [this] { ToolSearchExecute(); });
    a.setUpdate(QStringLiteral("ToolSearch"), [](QAction &act) { act.setEnabled(true); });
}

void TMainForm::ToolSearchExecute()
{
    if (!m_searchDlg) {
        search::TSearchDlg::Options options;
        options.sources = [this](search::SearchScope scope, QString &why) { return searchSources(scope, why); };
        options.showMessage = [this](const QString &caption, const QString &text) { m_showMessage(caption, text); };
        m_searchDlg = new search::TSearchDlg(std::move(options), this);
        connect(m_searchDlg, &search::TSearchDlg::statusChanged, this,
                [this](const QString &text) { ShowStatus(0, text); });
        connect(m_searchDlg, &search::TSearchDlg::openRequested, this,
                [this](const search::LogSource &source, int number, const QString &match) {
                    openSearchResult(source, number, match);
                });
    }
    m_searchDlg->show();
    m_searchDlg->raise();
    m_searchDlg->activateWindow();
    m_searchDlg->textEdit()->setFocus();
    m_searchDlg->textEdit()->selectAll();
}

std::optional<std::vector<search::LogSource>> TMainForm::searchSources(search::SearchScope scope, QString &why)
{
    const std::string logRoot = m_settings.path.log;
    if (scope == search::SearchScope::AllBoards) {
        auto sources = search::AllSources(search::FindBoardLogDirs(m_programDir, logRoot, m_boardServer));
        if (sources.empty()) {
            why = QString::fromUtf8("保存されたログがありません");
            return std::nullopt;
        }
        return sources;
    }

    // The board: the active board list, else the board of the active topic.
    std::string listUrl;
    std::string boardName;
    ui::TopicPage *topic = m_topicPane->activePage();
    if (scope == search::SearchScope::Board) {
        ui::TopicListPage *list = m_topicListPane->activePage();
        if (list && list->isList() && base::ExtractUrlParam("board=", list->listUrl)) {
            listUrl = list->listUrl;
            boardName = list->boardName;
        }
    }
    if (listUrl.empty() && topic && !topic->listUrl.empty())
        listUrl = topic->listUrl;
    const std::string boardId = base::ExtractUrlParam("board=", listUrl).value_or("");
    std::optional<std::string> dir;
    if (!boardId.empty())
        dir = store::ResolveBoardLogDir({m_programDir, logRoot}, listUrl);
    if (!dir) {
        why = scope == search::SearchScope::Board ? QString::fromUtf8("検索する板がありません")
                                                  : QString::fromUtf8("検索するスレッドがありません");
        return std::nullopt;
    }
    if (boardName.empty())
        boardName = store::FindBoardName(m_programDir, listUrl).value_or(LastComponent(*dir));
    if (scope == search::SearchScope::Board)
        return search::BoardSources({*dir, boardName, boardId});

    const auto topicId = topic ? store::TopicIdOfLogName(topic->logName) : std::nullopt;
    const auto path = topic ? store::TopicLogFilePathOfName(*dir, topic->logName) : std::nullopt;
    if (!topicId || !path || !IsFile(*path)) {
        why = QString::fromUtf8("このスレッドのログはまだ保存されていません");
        return std::nullopt;
    }
    search::LogSource source;
    source.path = *path;
    source.boardName = boardName;
    source.boardId = boardId;
    source.topicId = std::string(*topicId);
    source.listedTitle = topic->title;
    return std::vector<search::LogSource>{source};
}

void TMainForm::openSearchResult(const search::LogSource &source, int number, const QString &matchText)
{
    if (source.boardId.empty() || !store::IsTopicId(source.topicId)) {
        m_showMessage(
            QString::fromUtf8("ログ検索"),
            QString::fromUtf8("このログの板がわからないため開けません。\n%1").arg(qtbridge::FromSjis(source.path)));
        return;
    }
    const std::string pageKey = store::TopicMessageUrl(m_boardServer, source.boardId, source.topicId, "1");
    OpenTopicLocal(pageKey, false, number);
    ui::TopicPage *tab = m_topicPane->activePage();
    if (!tab || tab->topicUrl != pageKey)
        return;
    QPointer<view::HtmlView> browser = qobject_cast<view::HtmlView *>(tab->browser.data());
    if (!browser)
        return;
    const QString script = MarkScript(number, matchText);
    if (!browser->isLoading()) {
        browser->runScript(script);
        return;
    }
    connect(
        browser, &view::HtmlView::loadCompleted, this,
        [browser, script](bool ok) {
            if (ok && browser)
                browser->runScript(script);
        },
        Qt::SingleShotConnection);
}
