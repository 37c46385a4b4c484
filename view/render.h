// Building a topic page from a skin and the log lines of a tab: the NG test, the template
// choice, the tags, and the neutralising of board text that is not the markup a message may hold.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/nglists.h"
#include "store/threadlog.h"
#include "store/topicstate.h"
#include "view/skin.h"

namespace view {

/// The link base that a message number completes: boardBase + "bbs?action=m&board=" + B +
/// "&sid=" + B + "&tid=" + T + "&mid=", with B and T the "board=" and "tid=" values of topicUrl
/// (empty when missing). Bytes that could leave an attribute value are percent-encoded.
std::string MessageLinkBase(std::string_view boardBase, std::string_view topicUrl);

/// The topic page's NG test: the author equals an NG name, or the title equals an NG title
/// (whole texts, ignoring case), or the text contains an NG word.
bool IsNgMessage(const store::LogFields &fields, const settings::NgLists &ng);

/// A field shown as text (number, reply number, date, author, title): "<", ">", the quotation
/// mark and the apostrophe become entities, so that no stored text can open a tag or leave an
/// attribute. Entities already in the text are kept as they are.
std::string EscapeFieldText(std::string_view text);

/// A stored message text with only the markup a board message holds: "<br>" (also "<BR>",
/// "<br/>", "<br />"), links "<a href=…>" to http:// or https:// addresses (rebuilt with the
/// address alone, quoted; at most as many "</a>" as were opened, and those left open are closed),
/// and entities. Every other "<" becomes "&lt;" and shows as text. Inside a kept address, the
/// bytes and entities that could end the attribute or look like a reply marker are
/// percent-encoded, and a ">" right after a kept tag becomes "&gt;", so that LinkReferences never
/// takes a tag's end for half of a reply marker.
std::string SafeMessageHtml(std::string_view text);

/// What the page builder reads besides the tab.
struct PageOptions {
    std::string_view boardBase; ///< the board server's base URL
    int msgview = 100;          ///< messages per page
    const settings::NgLists *ng = nullptr;
    const settings::NgPatterns *ngPatterns = nullptr; ///< the lists' regular expressions, compiled
    bool ngChain = false;                             ///< hide the answers to hidden messages too
};

/// The page: the header, one block per line from tab.viewStart (at most msgview of them) and the
/// footer, built from skin. A block's "<REPLYCOUNT/>" shows how many lines answer it (see
/// ReplyCountHtml). Uses tab's topicUrl, postCount, viewStart and newNumbers; lines are
/// normally tab.lines (an extraction page passes its own).
std::string BuildTopicPage(const Skin &skin, const std::vector<std::string> &lines, const store::TopicState &tab,
                           const PageOptions &options);

/// What a render needs from the settings.
struct RenderSettings {
    std::string skinDir;     ///< [path] skin
    std::string programDir;  ///< where the default skin goes when skinDir lacks a template
    std::string profileBase; ///< [endpoint] profile, for the default skin's author links
    std::string boardBase;   ///< the board server's base URL
    int msgview = 100;
    const settings::NgLists *ng = nullptr;
    /// The desktop is dark: a skin whose header is the default one is shown with the default
    /// skin's dark header. A skin the user changed is shown as it is.
    bool dark = false;
    const settings::NgPatterns *ngPatterns = nullptr; ///< the lists' regular expressions, compiled
    bool ngChain = false;                             ///< hide the answers to hidden messages too
};

/// The message of a page that could not be rendered because the default skin could not be
/// written; the skin directory follows on the next line.
// デフォルトのスキンを書き込めませんでした。
inline constexpr const char kSkinWriteFailedText[] =
    "\x83\x66\x83\x74\x83\x48\x83\x8b\x83\x67\x82\xcc\x83\x58\x83\x4c\x83\x93\x82\xf0\x8f\x91\x82\xab"
    "\x8d\x9e\x82\xdf\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81\x42";

struct RenderedPage {
    bool ok = false;      ///< false: the default skin could not be written; error says why
    std::string html;     ///< the page bytes (Shift_JIS), to load from position 0
    std::string skinDir;  ///< the skin directory used
    bool skinDirChanged = false; ///< the default skin was written: [path] skin becomes skinDir
    std::string error;
};

/// RenderTopicPage without the view: checks the skin (EnsureSkin, falling back to the program's
/// default skin), reads its templates and builds the page. The window loads html into the tab's
/// view and scrolls to the anchor "Res" + tab.scrollTarget; it sets viewStart and scrollTarget
/// before the call.
RenderedPage RenderTopicPage(const store::TopicState &tab, const std::vector<std::string> &lines,
                             const RenderSettings &settings);

} // namespace view
