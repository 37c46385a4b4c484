// The EUC-JP pages of the board service. The markup around the data is exactly what the site
// plug-in searches for; the comments say which search each piece answers.
#include "boardserver/pages.h"

#include "boardserver/corpus.h"
#include "boardserver/text.h"

namespace boardserver {

namespace {

void AppendHead(std::string &out, std::string_view title)
{
    out += "<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">\n<title>";
    out += title;
    out += "</title>\n</head>\n<body bgcolor=#ffffff>\n";
}

void AppendTail(std::string &out) { out += "</body>\n</html>\n"; }

// Paths relative to the board server, in the form "/bbs?..." that the pages link with.
std::string TopicListPath(std::string_view boardId)
{
    std::string out = "/bbs?action=topics&board=";
    out += boardId;
    out += "&sid=";
    out += boardId;
    out += "&type=r";
    return out;
}

std::string MessagePath(std::string_view boardId, std::string_view tid, int mid)
{
    std::string out = "/bbs?action=m&board=";
    out += boardId;
    out += "&sid=";
    out += boardId;
    out += "&tid=";
    out += tid;
    out += "&mid=";
    out += std::to_string(mid);
    return out;
}

std::string SiteTitle(std::string_view suffix)
{
    std::string title = GetCorpus().page.siteTitle;
    if (!suffix.empty()) {
        title += " - ";
        title += suffix;
    }
    return title;
}

void AppendTopLink(std::string &out, const Endpoints &ep)
{
    // An absolute link whose text is not in <b>: every parser passes over it.
    out += "<a href=\"";
    out += ep.boardBase();
    out += "\">";
    out += GetCorpus().page.boardTop;
    out += "</a>";
}

} // namespace

std::string CategoryUrl(const Category &category, const Endpoints &ep)
{
    return ep.boardBase() + category.path + "index.html";
}

std::string TopicListUrl(std::string_view boardId, const Endpoints &ep)
{
    return ep.boardBase() + TopicListPath(boardId).substr(1);
}

std::string MessageUrl(std::string_view boardId, std::string_view tid, int mid, const Endpoints &ep)
{
    return ep.boardBase() + MessagePath(boardId, tid, mid).substr(1);
}

std::vector<DirectoryLink> DirectoryLinks(const Dataset &data, const Category &category, const Endpoints &ep)
{
    std::vector<DirectoryLink> links;
    const auto &cats = data.categories();
    auto addCategory = [&](int index) {
        const Category &child = cats[static_cast<std::size_t>(index)];
        links.push_back({CategoryUrl(child, ep), child.name, false, child.listed, index});
    };
    if (category.level == 0) {
        for (int index : category.children)
            addCategory(index);
        return links;
    }
    for (int index : category.children)
        if (cats[static_cast<std::size_t>(index)].form != CategoryLinkForm::Bold)
            addCategory(index);
    for (int index : category.boards) {
        const Board &board = data.boards()[static_cast<std::size_t>(index)];
        links.push_back({TopicListUrl(board.id, ep), board.name, true, board.listed, index});
    }
    for (int index : category.children)
        if (cats[static_cast<std::size_t>(index)].form == CategoryLinkForm::Bold)
            addCategory(index);
    return links;
}

std::string BuildDirectoryPage(const Dataset &data, const Category &category, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    const auto &cats = data.categories();
    std::string out;
    out.reserve(4096);
    AppendHead(out, category.level == 0 ? SiteTitle({}) : SiteTitle(category.name));

    if (category.level == 0) {
        out += "<center><font size=+2>";
        out += t.siteTitle;
        out += "</font></center>\n<table width=\"100%\" cellpadding=4>\n";
        int column = 0;
        for (int index : category.children) {
            const Category &child = cats[static_cast<std::size_t>(index)];
            if (column % 2 == 0)
                out += "<tr>";
            // The root's form: a relative link whose text is a <strong> heading.
            out += "<td width=\"50%\"><a href=/";
            out += child.path;
            out += "><strong>";
            out += child.name;
            out += "</strong></a><br>\n<small>";
            // The first few subcategories as plain links: with no "&nbsp;|&nbsp;" row on this
            // page the plug-in passes over them.
            int shown = 0;
            for (int sub : child.children) {
                const Category &grand = cats[static_cast<std::size_t>(sub)];
                if (!grand.listed || shown == 3)
                    continue;
                if (shown++)
                    out += ", ";
                out += "<a href=/";
                out += grand.path;
                out += ">";
                out += grand.name;
                out += "</a>";
            }
            out += "</small></td>";
            if (column % 2 == 1)
                out += "</tr>\n";
            ++column;
        }
        if (column % 2 == 1)
            out += "</tr>\n";
        out += "</table>\n";
        AppendTail(out);
        return out;
    }

    // Breadcrumbs: relative links ahead of the page's last "<td valign=top align=left>", which
    // the plug-in therefore passes over.
    AppendTopLink(out, ep);
    std::vector<int> chain;
    for (int p = category.parent; p > 0; p = cats[static_cast<std::size_t>(p)].parent)
        chain.insert(chain.begin(), p);
    for (int p : chain) {
        const Category &ancestor = cats[static_cast<std::size_t>(p)];
        out += " &gt; <a href=/";
        out += ancestor.path;
        out += ">";
        out += ancestor.name;
        out += "</a>";
    }
    out += " &gt; ";
    out += category.name;
    out += "\n<hr>\n<table width=\"100%\" cellpadding=4><tr><td valign=top align=left>\n<b>";
    out += category.name;
    out += "</b><br>\n";

    const auto links = DirectoryLinks(data, category, ep);
    const std::string base = ep.boardBase();
    bool listOpen = false;
    bool relatedOpen = false;
    for (const DirectoryLink &link : links) {
        if (link.board) {
            const Board &board = data.boards()[static_cast<std::size_t>(link.index)];
            if (!listOpen) {
                out += "</td></tr></table>\n<ul>\n";
                listOpen = true;
            }
            out += "<li><a href=";
            out += TopicListPath(board.id);
            out += ">";
            if (board.form == BoardLinkForm::IdThenName) {
                // The id ends in a digit and " - " follows on the next line: the name is taken
                // from eight bytes after "</a>" up to "</li>".
                out += board.id;
                out += "</a>\n - ";
                out += board.name;
            } else {
                out += board.name;
                out += "</a>";
            }
            out += "</li>\n";
            continue;
        }
        const Category &child = cats[static_cast<std::size_t>(link.index)];
        if (child.form == CategoryLinkForm::Bold) {
            if (!listOpen) {
                out += "</td></tr></table>\n<ul>\n";
                listOpen = true;
            }
            if (!relatedOpen) {
                out += "</ul>\n<p>";
                out += GetCorpus().page.related;
                out += ": ";
                relatedOpen = true;
            }
            out += "<a href=\"";
            out += base;
            out += child.path;
            out += "\"><b>";
            out += child.name;
            out += "</b></a> ";
            continue;
        }
        // A row link: its name ends one byte before "</a>", so a blank goes there.
        out += "<a href=/";
        out += child.path;
        out += ">";
        out += child.name;
        out += " </a>&nbsp;|&nbsp;\n";
    }
    if (!listOpen)
        out += "</td></tr></table>\n<ul>\n";
    if (relatedOpen)
        out += "</p>\n";
    else
        out += "</ul>\n";
    AppendTail(out);
    return out;
}

std::string BuildTopicListPage(const Dataset &data, const Board &board, const std::vector<TopicSummary> &topics,
                               const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    out.reserve(512 + topics.size() * 200);
    AppendHead(out, SiteTitle(board.name));
    AppendTopLink(out, ep);
    const Category &category = data.categories()[static_cast<std::size_t>(board.category)];
    out += " &gt; <a href=/";
    out += category.path;
    out += ">";
    out += category.name;
    out += "</a>\n<h2>";
    out += board.name;
    out += "</h2>\n<a href=\"";
    out += ep.postBase();
    out += "bbs?action=r&sid=";
    out += board.id;
    out += "&board=";
    out += board.id;
    out += "\">";
    out += t.newTopic;
    out += "</a>\n<table width=\"100%\" border=0 cellspacing=1>\n<tr><th>";
    out += t.topicLabel;
    out += "</th><th>";
    out += t.countLabel;
    out += "</th><th>";
    out += t.latestLabel;
    out += "</th></tr>\n";
    for (const TopicSummary &topic : topics) {
        // The list form: a quoted link with "first=1", then the count and the date in cells
        // that end with "nowrap>".
        out += "<tr><td valign=top width=97%><a href=\"";
        out += MessagePath(board.id, topic.tid, 1);
        out += "&first=1\">";
        out += topic.title;
        out += "</a></td><td align=right nowrap>";
        out += std::to_string(topic.highest);
        out += "</td><td nowrap>";
        out += FormatMinute(topic.lastMinute);
        out += "</td></tr>\n";
    }
    out += "</table>\n";
    AppendTail(out);
    return out;
}

std::string BuildSingleTopicPageA(const Board &board, const TopicSummary &topic, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    AppendHead(out, SiteTitle(board.name));
    AppendTopLink(out, ep);
    // The title follows the first blank after the font tag and runs to the end of the line.
    out += "\n<font size=+1><b>";
    out += t.topicLabel;
    out += "</b> ";
    out += topic.title;
    out += "\n</font>\n<table><tr><td valign=top width=\"5%\"><font size=-1>";
    out += std::to_string(topic.highest);
    out += "</font></td>\n<td><a href=";
    out += MessagePath(board.id, topic.tid, 1);
    out += ">";
    out += t.firstMessage;
    out += "</a></td>\n<td nowrap><small>";
    const std::string date = FormatMinute(topic.lastMinute);
    out += date.substr(0, 10);
    out += "&nbsp;";
    out += date.substr(11);
    out += "</small></td></tr></table>\n";
    AppendTail(out);
    return out;
}

std::string BuildSingleTopicPageB(const Board &board, const TopicSummary &topic, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    AppendHead(out, SiteTitle(board.name));
    AppendTopLink(out, ep);
    out += "\n<font size=\"+1\"><b>";
    out += t.topicLabel;
    out += "</b> ";
    out += topic.title;
    out += "\n</font>\n<table><tr><td nowrap><small><a href=";
    out += MessagePath(board.id, topic.tid, 1);
    out += ">";
    out += t.firstMessage;
    out += "</a></small></td>\n<td valign=top align=right>\n<small>";
    // The count follows the first "/" on the line after the cell's tag.
    out += t.messageLabel;
    out += " 1 / ";
    out += std::to_string(topic.highest);
    out += "</small></td></tr></table>\n";
    AppendTail(out);
    return out;
}

std::string BuildMessagePage(const MessageView &m, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    out.reserve(1024 + m.text.size());
    AppendHead(out, SiteTitle(m.boardName));
    AppendTopLink(out, ep);
    out += " &gt; <a href=\"";
    out += TopicListUrl(m.boardId, ep);
    out += "\">";
    out += m.boardName;
    out += "</a>\n<table width=\"100%\" border=0 cellpadding=2 cellspacing=0>\n";
    // Title in <big><b>; the date after "t><small>" up to "<br>"; then ": number / highest".
    out += "<tr bgcolor=#eeeeee><td><big><b>";
    out += m.title;
    out += "</b></big></td><td align=right><small>";
    out += FormatMinute(m.minute);
    out += "<br>";
    out += t.messageLabel;
    out += ": ";
    out += std::to_string(m.number);
    out += " / ";
    out += std::to_string(m.highest);
    out += "</small></td></tr>\n<tr><td colspan=2><small>";
    out += t.authorLabel;
    out += ": <a href=\"";
    out += ep.profileBase();
    out += m.author;
    out += "\">";
    out += m.author;
    out += "</a></small></td></tr>\n";
    // The text runs from one byte after "<p>" to the line feed before "</td>".
    out += "<tr><td colspan=2><p>\n";
    out += m.text;
    out += "\n</td></tr>\n<tr><td colspan=2>";
    // The small print: a digit right after the first ">" nine bytes into it names the
    // message answered.
    if (m.replyTo > 0) {
        out += "<small>";
        out += t.replyPrefix;
        out += " <a href=\"";
        out += MessagePath(m.boardId, m.tid, m.replyTo);
        out += "\">";
        out += std::to_string(m.replyTo);
        out += "</a> ";
        out += t.replySuffix;
        out += "</small><br>\n";
    }
    out += "<small><a href=\"";
    out += ep.postBase();
    out += "bbs?action=r&board=";
    out += m.boardId;
    out += "&sid=";
    out += m.boardId;
    out += "&tid=";
    out += m.tid;
    out += "&mid=";
    out += std::to_string(m.number);
    out += "\">";
    out += t.writeReply;
    out += "</a></small></td></tr>\n</table>\n";
    if (m.number > 1) {
        out += "<a href=\"";
        out += MessagePath(m.boardId, m.tid, m.number - 1);
        out += "\">";
        out += t.previous;
        out += "</a> ";
    }
    if (m.number < m.highest) {
        out += "<a href=\"";
        out += MessagePath(m.boardId, m.tid, m.number + 1);
        out += "\">";
        out += t.next;
        out += "</a>";
    }
    out += "\n";
    AppendTail(out);
    return out;
}

std::string BuildMessageErrorPage(const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    AppendHead(out, SiteTitle({}));
    AppendTopLink(out, ep);
    out += "\n<br><br><center><b>";
    out += t.notFound;
    out += "</b><br>\n";
    out += t.notFoundDetail;
    out += "</center>\n";
    AppendTail(out);
    return out;
}

std::string BuildNoBoardPage(const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    AppendHead(out, SiteTitle({}));
    AppendTopLink(out, ep);
    out += "\n<p>";
    out += t.noBoard;
    out += "</p>\n";
    AppendTail(out);
    return out;
}

std::string BuildPostFormPage(const Board &board, const TopicSummary *topic, int mid,
                              const std::vector<std::string> &nicknames, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    AppendHead(out, SiteTitle(board.name));
    out += "<h3>";
    out += topic ? topic->title : t.newTopic;
    out += "</h3>\n<form method=get action=\"";
    out += ep.postBase();
    out += "bbs\">\n<input type=hidden name=action value=post>\n<input type=hidden name=board value=";
    out += board.id;
    out += ">\n<input type=hidden name=sid value=";
    out += board.id;
    out += ">\n";
    if (topic) {
        out += "<input type=hidden name=tid value=";
        out += topic->tid;
        out += ">\n<input type=hidden name=mid value=";
        out += std::to_string(mid);
        out += ">\n";
    }
    out += t.nickname;
    out += ": <select name=identity>\n";
    // One option per line; the plug-in takes each line's text after the option's ">".
    for (std::size_t i = 0; i < nicknames.size(); ++i) {
        out += "<option value=\"chat_pf_";
        out += std::to_string(i + 1);
        out += i == 0 ? "\" selected>" : "\">";
        out += nicknames[i];
        out += "\n";
    }
    out += "</select><br>\n";
    out += t.title;
    out += ": <input type=text name=Subject size=40 maxlength=40";
    if (topic) {
        out += " value=\"Re: ";
        out += topic->title;
        out += "\"";
    }
    out += "><br>\n";
    out += t.body;
    out += ":<br>\n<textarea name=posting rows=10 cols=60></textarea><br>\n<input type=submit value=\"";
    out += t.submit;
    out += "\">\n</form>\n";
    AppendTail(out);
    return out;
}

std::string BuildProfilePage(std::string_view name, const Endpoints &ep)
{
    const PageTexts &t = GetCorpus().page;
    std::string out;
    std::string heading(name);
    heading += t.profileOf;
    AppendHead(out, heading);
    out += "<h2>";
    out += heading;
    out += "</h2>\n";
    AppendTopLink(out, ep);
    out += "\n";
    AppendTail(out);
    return out;
}

std::string BuildNoticePage(std::string_view heading, std::string_view text)
{
    std::string out;
    AppendHead(out, SiteTitle(heading));
    out += "<h3>";
    out += heading;
    out += "</h3>\n<p>";
    out += text;
    out += "</p>\n";
    AppendTail(out);
    return out;
}

std::string BuildStatusPage(int status, std::string_view reason)
{
    std::string code = std::to_string(status);
    std::string out = "<html>\n<head><title>";
    out += code;
    out += " ";
    out += reason;
    out += "</title></head>\n<body><h1>";
    out += code;
    out += " ";
    out += reason;
    out += "</h1></body>\n</html>\n";
    return out;
}

} // namespace boardserver
