// The board service: routing by endpoint host and path, logins, the post form and posts.
#include "boardserver/service.h"

#include <algorithm>
#include <ctime>

#include "boardserver/corpus.h"
#include "boardserver/text.h"

namespace boardserver {

namespace {

constexpr std::string_view kIndexHtml = "/index.html";

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsSjisTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Converts Shift_JIS posted text to page text; breaks says what a line end becomes.
std::string PostedToPage(std::string_view s, std::string_view breaks)
{
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsSjisLead(c) && i + 1 < s.size() && IsSjisTrail(static_cast<unsigned char>(s[i + 1]))) {
            out += SjisToEuc(s.substr(i, 2));
            i += 2;
        } else if (c >= 0x80) {
            out += SjisToEuc(s.substr(i, 1));
            i += 1;
        } else if (c == '\r' || c == '\n') {
            out += breaks;
            i += (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
        } else if (c == '\t' || (c >= 0x20 && c < 0x7F)) {
            AppendHtmlEscaped(out, s.substr(i, 1));
            i += 1;
        } else {
            i += 1; // other control characters have no place in a page
        }
    }
    return out;
}

// Whether Shift_JIS text holds anything but blanks (ASCII blanks, control characters and the
// full-width space).
bool HasVisibleText(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (IsSjisLead(c) && i + 1 < s.size() && IsSjisTrail(static_cast<unsigned char>(s[i + 1]))) {
            if (!(c == 0x81 && s[i + 1] == '\x40'))
                return true;
            i += 2;
        } else {
            if (c > 0x20 && c != 0x7F)
                return true;
            i += 1;
        }
    }
    return false;
}

std::string_view NormalisedQuery(std::string_view query)
{
    // The program appends "/index.html" to a URL whose last ".", "\" or ":" is not a dot, which
    // happens to queries whose values hold a colon; the service never has such a suffix.
    if (query.size() >= kIndexHtml.size() && query.substr(query.size() - kIndexHtml.size()) == kIndexHtml)
        query.remove_suffix(kIndexHtml.size());
    return query;
}

std::string HostWithoutPort(std::string_view host)
{
    std::string out;
    if (!host.empty() && host.front() == '[') {
        out = std::string(host.substr(0, host.find(']') + 1));
    } else {
        out = std::string(host.substr(0, host.find(':')));
    }
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool IsLoopbackHost(std::string_view host)
{
    return host == "127.0.0.1" || host == "localhost" || host == "[::1]" || host == "::1";
}

std::string CookieHeader(const HttpRequest &request)
{
    std::string out;
    for (const auto &[name, value] : request.headers) {
        if (!EqualsIgnoreAsciiCase(name, "Cookie"))
            continue;
        if (!out.empty())
            out += "; ";
        out += value;
    }
    return out;
}

HttpResponse Page(std::string body, int status = 200)
{
    HttpResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

HttpResponse Redirect(std::string location, std::string body)
{
    HttpResponse r;
    r.status = 302;
    r.headerLines.push_back("Location: " + location);
    r.body = std::move(body);
    return r;
}

std::optional<int> NumberParam(std::string_view query, std::string_view name)
{
    auto raw = QueryParam(query, name);
    if (!raw)
        return std::nullopt;
    auto value = ParseDecimal(*raw);
    if (!value || *value > 0x7FFFFFFF || static_cast<std::size_t>(std::to_string(*value).size()) != raw->size())
        return -1; // present but not a number
    return static_cast<int>(*value);
}

} // namespace

HttpResponse StatusResponse(int status)
{
    return Page(BuildStatusPage(status, ReasonPhrase(status)), status);
}

std::string PostTextToPage(std::string_view sjis) { return PostedToPage(sjis, "<br>"); }

std::string PostSubjectToPage(std::string_view sjis) { return PostedToPage(sjis, ""); }

BoardService::BoardService(const Dataset &data, PostStore &store, ServiceOptions options)
    : m_data(data), m_store(store), m_options(std::move(options)), m_sessions(m_options.sessionSeed)
{
}

std::int64_t BoardService::now() const
{
    if (m_options.clock)
        return m_options.clock();
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&t, &local);
    return (static_cast<std::int64_t>(t) + local.tm_gmtoff) / 60;
}

int BoardService::sessionAccount(const HttpRequest &request) const
{
    return m_sessions.find(CookieHeader(request));
}

HttpResponse BoardService::handle(const HttpRequest &request, const RequestTarget &target)
{
    if (request.method != "GET")
        return StatusResponse(501);

    const Endpoints &ep = m_options.endpoints;
    std::string host = target.absolute ? target.host : std::string();
    if (!target.absolute)
        if (const std::string *h = request.header("Host"))
            host = HostWithoutPort(*h);
    unsigned roles = 0;
    if (!host.empty()) {
        if (host == ep.boardHost)
            roles |= kBoard;
        if (host == ep.postHost)
            roles |= kPost;
        if (host == ep.loginHost)
            roles |= kLogin;
        if (host == ep.profileHost)
            roles |= kProfile;
    }
    if (roles == 0) {
        // A proxy cannot reach any other host; plain paths and loopback names reach every role.
        if (target.absolute && !IsLoopbackHost(host))
            return StatusResponse(502);
        roles = kBoard | kPost | kLogin | kProfile;
    }

    const std::string_view path = target.path;
    const std::string_view query = NormalisedQuery(target.query);
    MarkupVariation vary;
    if (m_options.markupSeed) {
        std::string url = target.path;
        if (!target.query.empty())
            url += "?" + target.query;
        vary = VariationFor(*m_options.markupSeed, url);
    }
    if (roles & kLogin) {
        if (path == "/config/login")
            return handleLogin(request, query);
        if (path == "/config/verify")
            return handleVerify();
    }
    if (path == "/bbs") {
        const auto action = QueryParam(query, "action");
        if ((roles & kPost) && action == "r")
            return handlePostForm(request, query, vary);
        if ((roles & kPost) && action == "post")
            return handlePost(request, query);
        if ((roles & kBoard) && action == "topics")
            return handleTopicList(query, vary);
        if ((roles & kBoard) && action == "m")
            return handleMessage(query, vary);
        // The program learns of a failed post from an answer without a redirect; a post sent
        // without its query (as the program sends one when logged out) is such a failure.
        if (roles & kPost)
            return postFailure(GetCorpus().page.postFailed);
        return StatusResponse(404);
    }
    if ((roles & kBoard) && (path == "/" || path.back() == '/' ||
                             (path.size() >= kIndexHtml.size() && path.substr(path.size() - kIndexHtml.size()) == kIndexHtml)))
        return handleDirectory(path, vary);
    if (roles & kProfile)
        return handleProfile(path);
    return StatusResponse(404);
}

HttpResponse BoardService::handleLogin(const HttpRequest &request, std::string_view query)
{
    const PageTexts &t = GetCorpus().page;
    const Endpoints &ep = m_options.endpoints;
    const std::string cookieTail = "; path=/; domain=." + ep.domain;
    if (QueryParam(query, "logout")) {
        m_sessions.remove(CookieHeader(request));
        HttpResponse r = Page(BuildNoticePage(t.loggedOut, t.loggedOut));
        r.headerLines.push_back("Set-Cookie: Y=; expires=Thu, 01-Jan-1970 00:00:01 GMT" + cookieTail);
        r.headerLines.push_back("Set-Cookie: T=; expires=Thu, 01-Jan-1970 00:00:01 GMT" + cookieTail);
        return r;
    }
    // The program sends id and password as they are, so a password may hold "&": it runs from
    // "&passwd=" to the end of the query.
    std::optional<std::string_view> id, password;
    if (query.substr(0, 6) == "login=") {
        const std::size_t split = query.find("&passwd=");
        if (split != std::string_view::npos) {
            id = query.substr(6, split - 6);
            password = query.substr(split + 8);
        }
    } else {
        id = QueryParam(query, "login");
        password = QueryParam(query, "passwd");
    }
    if (!id || !password)
        return Page(BuildNoticePage(t.loginNeeded, t.loginNeeded));

    auto matches = [](std::string_view sent, const std::string &expected) {
        return sent == expected || PercentDecode(sent, false) == expected || PercentDecode(sent, true) == expected;
    };
    for (std::size_t i = 0; i < m_options.accounts.size(); ++i) {
        const Account &account = m_options.accounts[i];
        if (!matches(*id, account.id) || !matches(*password, account.password))
            continue;
        const SessionCookies cookies = m_sessions.create(static_cast<int>(i));
        HttpResponse r = Redirect(ep.verifyUrl(), BuildNoticePage(t.loggedIn, t.loggedIn));
        // Cookies first: the program reads the head only up to Content-Length, which comes last.
        r.headerLines.insert(r.headerLines.begin(), "Set-Cookie: T=" + cookies.t + cookieTail);
        r.headerLines.insert(r.headerLines.begin(), "Set-Cookie: Y=" + cookies.y + cookieTail);
        return r;
    }
    return Redirect(ep.loginBase() + "config/login?.err=1", BuildNoticePage(t.loginFailed, t.loginFailed));
}

HttpResponse BoardService::handleVerify()
{
    const PageTexts &t = GetCorpus().page;
    return Page(BuildNoticePage(t.loggedIn, t.loggedIn));
}

HttpResponse BoardService::postFailure(std::string_view why) const
{
    const PageTexts &t = GetCorpus().page;
    return Page(BuildNoticePage(t.postFailed, why));
}

HttpResponse BoardService::handlePostForm(const HttpRequest &request, std::string_view query,
                                          const MarkupVariation &vary)
{
    const PageTexts &t = GetCorpus().page;
    const int account = sessionAccount(request);
    if (account < 0)
        return Redirect(m_options.endpoints.loginBase() + "config/login", BuildNoticePage(t.loginNeeded, t.loginNeeded));
    const auto boardId = QueryParam(query, "board");
    const Board *board = boardId ? m_data.findBoard(*boardId) : nullptr;
    if (!board)
        return Page(BuildNoBoardPage(m_options.endpoints, vary));
    const auto &nicknames = m_options.accounts[static_cast<std::size_t>(account)].nicknames;
    const auto tid = QueryParam(query, "tid");
    if (!tid)
        return Page(BuildPostFormPage(*board, nullptr, 0, nicknames, m_options.endpoints, vary));
    const auto topic = topicSummary(*board, *tid);
    const auto mid = NumberParam(query, "mid");
    if (!topic || (mid && (*mid < 0 || *mid > topic->highest)))
        return Page(BuildNoticePage(t.notFound, t.notFoundDetail));
    return Page(BuildPostFormPage(*board, &*topic, mid.value_or(0), nicknames, m_options.endpoints, vary));
}

HttpResponse BoardService::handlePost(const HttpRequest &request, std::string_view query)
{
    const PageTexts &t = GetCorpus().page;
    const int account = sessionAccount(request);
    if (account < 0)
        return postFailure(t.loginNeeded);
    const auto boardId = QueryParam(query, "board");
    const Board *board = boardId ? m_data.findBoard(*boardId) : nullptr;
    if (!board)
        return postFailure(t.noBoard);

    const auto &nicknames = m_options.accounts[static_cast<std::size_t>(account)].nicknames;
    const auto identity = QueryParam(query, "identity");
    int nickname = -1;
    if (identity && identity->substr(0, 8) == "chat_pf_") {
        const auto n = ParseDecimal(identity->substr(8));
        if (n && std::to_string(*n).size() == identity->size() - 8 && *n >= 1 &&
            *n <= static_cast<long long>(nicknames.size()))
            nickname = static_cast<int>(*n) - 1;
    }
    const auto postingRaw = QueryParam(query, "posting");
    const auto subjectRaw = QueryParam(query, "Subject");
    if (nickname < 0 || !postingRaw || !subjectRaw)
        return postFailure(t.postFailed);
    const std::string posting = PercentDecode(*postingRaw, true);
    const std::string subject = PercentDecode(*subjectRaw, true);
    if (!HasVisibleText(posting) || !HasVisibleText(subject) || posting.size() > kMaxPostText ||
        subject.size() > kMaxPostSubject)
        return postFailure(t.postFailed);

    StoredPost post;
    post.minute = now();
    post.author = nicknames[static_cast<std::size_t>(nickname)];
    post.title = PostSubjectToPage(subject);
    post.text = PostTextToPage(posting);

    std::string tid;
    if (const auto tidParam = QueryParam(query, "tid")) {
        const auto topic = topicSummary(*board, *tidParam);
        const auto mid = NumberParam(query, "mid");
        if (!topic || (mid && (*mid < 0 || *mid > topic->highest)))
            return postFailure(t.notFound);
        tid = topic->tid;
        post.number = topic->highest + 1;
        post.replyTo = mid.value_or(0);
    } else {
        if (QueryParam(query, "mid"))
            return postFailure(t.postFailed);
        tid = newTid(*board, post.title);
        post.number = 1;
    }
    std::string error;
    if (!m_store.append(board->id, tid, post, &error))
        return postFailure(t.postFailed);
    ++m_postsAccepted;
    return Redirect(MessageUrl(board->id, tid, post.number, m_options.endpoints), BuildNoticePage(t.posted, t.posted));
}

std::string BoardService::newTid(const Board &board, std::string_view titleEuc) const
{
    int serial = static_cast<int>(board.topics.size() + m_store.topicsOf(board.id).size()) + 1;
    for (;; ++serial) {
        std::string tid = MakeTid(titleEuc, serial);
        if (!m_data.findTopic(board, tid) && !m_store.find(board.id, tid))
            return tid;
    }
}

std::optional<TopicSummary> BoardService::topicSummary(const Board &board, std::string_view tid) const
{
    const Topic *generated = m_data.findTopic(board, tid);
    const TopicPosts *stored = m_store.find(board.id, tid);
    if (stored && stored->posts.empty())
        stored = nullptr;
    TopicSummary s;
    s.tid = std::string(tid);
    if (generated) {
        s.title = generated->title;
        s.highest = generated->messageCount;
        s.lastMinute = m_data.messageMinute(*generated, generated->messageCount);
    } else {
        // A topic made by a post exists when its first message is stored.
        if (!stored || stored->posts.front().number != 1)
            return std::nullopt;
        s.title = stored->firstTitle;
    }
    if (stored) {
        s.highest = std::max(s.highest, static_cast<int>(stored->posts.back().number));
        s.lastMinute = std::max(s.lastMinute, stored->posts.back().minute);
    }
    return s;
}

std::vector<TopicSummary> BoardService::topicSummaries(const Board &board) const
{
    std::vector<TopicSummary> out;
    out.reserve(board.topics.size());
    for (const Topic &topic : board.topics)
        if (auto s = topicSummary(board, topic.tid))
            out.push_back(std::move(*s));
    for (const TopicPosts *stored : m_store.topicsOf(board.id))
        if (!m_data.findTopic(board, stored->tid))
            if (auto s = topicSummary(board, stored->tid))
                out.push_back(std::move(*s));
    std::stable_sort(out.begin(), out.end(), [](const TopicSummary &a, const TopicSummary &b) {
        return a.lastMinute != b.lastMinute ? a.lastMinute > b.lastMinute : a.tid < b.tid;
    });
    return out;
}

std::optional<MessageView> BoardService::messageView(const Board &board, std::string_view tid, int mid) const
{
    const auto summary = topicSummary(board, tid);
    if (!summary || mid < 1 || mid > summary->highest)
        return std::nullopt;
    MessageView v;
    v.boardId = board.id;
    v.boardName = board.name;
    v.tid = summary->tid;
    v.number = mid;
    v.highest = summary->highest;
    const Topic *generated = m_data.findTopic(board, tid);
    if (generated && mid <= generated->messageCount) {
        if (m_data.isDeleted(board, *generated, mid))
            return std::nullopt;
        Message m = m_data.message(board, *generated, mid);
        v.title = std::move(m.title);
        v.author = std::move(m.author);
        v.text = std::move(m.text);
        v.minute = m.minute;
        v.replyTo = m.replyTo;
        return v;
    }
    const TopicPosts *stored = m_store.find(board.id, tid);
    const PostMeta *meta = stored ? m_store.findPost(*stored, mid) : nullptr;
    if (!meta)
        return std::nullopt;
    auto post = m_store.read(*stored, *meta);
    if (!post)
        return std::nullopt;
    v.title = std::move(post->title);
    v.author = std::move(post->author);
    v.text = std::move(post->text);
    v.minute = post->minute;
    v.replyTo = post->replyTo;
    return v;
}

HttpResponse BoardService::handleTopicList(std::string_view query, const MarkupVariation &vary)
{
    const Endpoints &ep = m_options.endpoints;
    const auto boardId = QueryParam(query, "board");
    const Board *board = boardId ? m_data.findBoard(*boardId) : nullptr;
    if (!board)
        return Page(BuildNoBoardPage(ep, vary));
    TopicListForm form = board->listForm;
    if (const auto f = QueryParam(query, "form")) {
        if (*f == "a")
            form = TopicListForm::SingleA;
        else if (*f == "b")
            form = TopicListForm::SingleB;
        else if (*f == "list")
            form = TopicListForm::List;
    }
    const auto topics = topicSummaries(*board);
    if (form == TopicListForm::List || topics.empty())
        return Page(BuildTopicListPage(m_data, *board, topics, ep, vary));
    if (form == TopicListForm::SingleA)
        return Page(BuildSingleTopicPageA(*board, topics.front(), ep, vary));
    return Page(BuildSingleTopicPageB(*board, topics.front(), ep, vary));
}

HttpResponse BoardService::handleMessage(std::string_view query, const MarkupVariation &vary)
{
    const Endpoints &ep = m_options.endpoints;
    const auto boardId = QueryParam(query, "board");
    const auto tid = QueryParam(query, "tid");
    const auto mid = NumberParam(query, "mid");
    const Board *board = boardId ? m_data.findBoard(*boardId) : nullptr;
    if (!board || !tid || !mid || *mid < 1)
        return Page(BuildMessageErrorPage(ep, vary));
    auto view = messageView(*board, *tid, *mid);
    if (!view)
        return Page(BuildMessageErrorPage(ep, vary));
    return Page(BuildMessagePage(*view, ep, vary));
}

HttpResponse BoardService::handleDirectory(std::string_view path, const MarkupVariation &vary)
{
    std::string_view rel = path.substr(1);
    if (rel.size() >= kIndexHtml.size() - 1 && rel.substr(rel.size() - (kIndexHtml.size() - 1)) == kIndexHtml.substr(1))
        rel.remove_suffix(kIndexHtml.size() - 1);
    const Category *category = m_data.findCategory(rel);
    if (!category)
        return Page(BuildStatusPage(404, ReasonPhrase(404)), 404);
    return Page(BuildDirectoryPage(m_data, *category, m_options.endpoints, vary));
}

HttpResponse BoardService::handleProfile(std::string_view path)
{
    const std::string_view name = path.substr(1);
    const bool ok = !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
               c == '.';
    });
    if (!ok)
        return StatusResponse(404);
    return Page(BuildProfilePage(name, m_options.endpoints));
}

} // namespace boardserver
