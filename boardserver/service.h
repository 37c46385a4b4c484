// The board service itself: which page or answer a request gets, logins, the post form and
// posts. Works on parsed requests, so tests drive it without sockets. Single-threaded.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "boardserver/accounts.h"
#include "boardserver/dataset.h"
#include "boardserver/endpoints.h"
#include "boardserver/http.h"
#include "boardserver/pages.h"
#include "boardserver/poststore.h"

namespace boardserver {

struct ServiceOptions {
    Endpoints endpoints;
    std::vector<Account> accounts;
    std::uint64_t sessionSeed = 0;
    /// The time posts are stamped with, in minutes since 1970 of the board's clock; the local
    /// time when empty.
    std::function<std::int64_t()> clock;
    /// Set: the pages the plug-in reads vary their free markup, per page from this seed and the
    /// page's URL (see ProgramOptions::markupSeed).
    std::optional<std::uint64_t> markupSeed;
};

/// Limits of what a post may carry, measured on the Shift_JIS the program sends.
inline constexpr std::size_t kMaxPostText = 4000;
inline constexpr std::size_t kMaxPostSubject = 100;

class BoardService {
public:
    BoardService(const Dataset &data, PostStore &store, ServiceOptions options);

    HttpResponse handle(const HttpRequest &request, const RequestTarget &target);

    /// The board's topics, generated and posted, most recently active first.
    std::vector<TopicSummary> topicSummaries(const Board &board) const;
    std::optional<TopicSummary> topicSummary(const Board &board, std::string_view tid) const;
    /// The message page's content, or nullopt when the number does not exist or was deleted.
    std::optional<MessageView> messageView(const Board &board, std::string_view tid, int mid) const;

    const Endpoints &endpoints() const { return m_options.endpoints; }
    const Dataset &data() const { return m_data; }
    std::size_t postsAccepted() const { return m_postsAccepted; }
    std::size_t storedMessages() const { return m_store.messageCount(); }

private:
    enum Role : unsigned { kBoard = 1, kPost = 2, kLogin = 4, kProfile = 8 };

    HttpResponse handleLogin(const HttpRequest &request, std::string_view query);
    HttpResponse handleVerify();
    HttpResponse handlePostForm(const HttpRequest &request, std::string_view query, const MarkupVariation &vary);
    HttpResponse handlePost(const HttpRequest &request, std::string_view query);
    HttpResponse handleTopicList(std::string_view query, const MarkupVariation &vary);
    HttpResponse handleMessage(std::string_view query, const MarkupVariation &vary);
    HttpResponse handleDirectory(std::string_view path, const MarkupVariation &vary);
    HttpResponse handleProfile(std::string_view path);
    HttpResponse postFailure(std::string_view why) const;

    int sessionAccount(const HttpRequest &request) const;
    std::int64_t now() const;
    std::string newTid(const Board &board, std::string_view titleEuc) const;

    const Dataset &m_data;
    PostStore &m_store;
    ServiceOptions m_options;
    Sessions m_sessions;
    std::size_t m_postsAccepted = 0;
};

/// An HTML page of plain status text, for answers that are not pages of the service.
HttpResponse StatusResponse(int status);

/// Text the program posted (Shift_JIS, CR LF line ends) as the page shows it: EUC-JP, the four
/// special characters escaped, line ends as "<br>", other control characters dropped.
std::string PostTextToPage(std::string_view sjis);
/// A posted subject as the page shows it: like the text, without line breaks.
std::string PostSubjectToPage(std::string_view sjis);

} // namespace boardserver
