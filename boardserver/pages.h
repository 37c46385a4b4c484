// The EUC-JP pages of the board service, in the forms the site plug-in reads: the directory,
// topic lists (list form and the two single-topic forms), message and error pages, the post form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "boardserver/dataset.h"
#include "boardserver/endpoints.h"

namespace boardserver {

/// A topic as a list page shows it: generated messages and posts together.
struct TopicSummary {
    std::string tid;
    std::string title; ///< EUC-JP
    int highest = 0;   ///< the highest message number
    std::int64_t lastMinute = 0;
};

/// Everything a message page shows.
struct MessageView {
    std::string boardId;
    std::string boardName; ///< EUC-JP
    std::string tid;
    int number = 0;
    int highest = 0;
    std::string title;  ///< EUC-JP
    std::string author; ///< ASCII
    std::string text;   ///< EUC-JP HTML fragment
    std::int64_t minute = 0;
    int replyTo = 0;
};

/// One link of a directory page, in the order the page carries them.
struct DirectoryLink {
    std::string url;  ///< absolute, as the plug-in completes it ("index.html" after a final "/")
    std::string name; ///< EUC-JP
    bool board = false;
    bool listed = true; ///< false when the plug-in drops it (the news category, "@" in the name)
    int index = 0;      ///< into Dataset::categories() or Dataset::boards()
};

/// Which of the free choices in a page's markup are taken. The plain form (the default) is the
/// one the server has always written; a varied page differs from it only in bytes the plug-in's
/// parsers leave free (ProgramOptions::markupSeed lists them), so it reads back the same.
struct MarkupVariation {
    bool on = false;
    std::uint64_t seed = 0; ///< already mixed with the page's URL
};

/// The variation of one page under the server's markup seed. The URL is taken without its host,
/// so that a page reached as a proxy or directly is written the same way.
MarkupVariation VariationFor(std::uint64_t markupSeed, std::string_view pathAndQuery);

/// The links of the root page (category 0) or a category page, in page order: on the root page
/// the top-level categories; elsewhere the "&nbsp;|&nbsp;" row categories, the boards, then the
/// categories linked in bold.
std::vector<DirectoryLink> DirectoryLinks(const Dataset &data, const Category &category, const Endpoints &ep);

/// The URL the program fetches for a category: the base, the path, "index.html".
std::string CategoryUrl(const Category &category, const Endpoints &ep);
/// "bbs?action=topics&board=%s&sid=%s&type=r" after the board server's base.
std::string TopicListUrl(std::string_view boardId, const Endpoints &ep);
/// "bbs?action=m&board=%s&sid=%s&tid=%s&mid=%d" after the board server's base.
std::string MessageUrl(std::string_view boardId, std::string_view tid, int mid, const Endpoints &ep);

std::string BuildDirectoryPage(const Dataset &data, const Category &category, const Endpoints &ep,
                               const MarkupVariation &vary = {});
std::string BuildTopicListPage(const Dataset &data, const Board &board, const std::vector<TopicSummary> &topics,
                               const Endpoints &ep, const MarkupVariation &vary = {});
std::string BuildSingleTopicPageA(const Board &board, const TopicSummary &topic, const Endpoints &ep,
                                  const MarkupVariation &vary = {});
std::string BuildSingleTopicPageB(const Board &board, const TopicSummary &topic, const Endpoints &ep,
                                  const MarkupVariation &vary = {});
std::string BuildMessagePage(const MessageView &message, const Endpoints &ep, const MarkupVariation &vary = {});
/// The page for a message number, topic or board that does not exist.
std::string BuildMessageErrorPage(const Endpoints &ep, const MarkupVariation &vary = {});
/// A topic-list URL of a board that does not exist: no list markers at all.
std::string BuildNoBoardPage(const Endpoints &ep, const MarkupVariation &vary = {});
/// The reply form (topic non-null) or the new-topic form, offering the nicknames as options.
std::string BuildPostFormPage(const Board &board, const TopicSummary *topic, int mid,
                              const std::vector<std::string> &nicknames, const Endpoints &ep,
                              const MarkupVariation &vary = {});
std::string BuildProfilePage(std::string_view name, const Endpoints &ep);
/// A short page with a heading and a line of text (both EUC-JP).
std::string BuildNoticePage(std::string_view heading, std::string_view text);
/// The body of a response with an error status.
std::string BuildStatusPage(int status, std::string_view reason);

} // namespace boardserver
