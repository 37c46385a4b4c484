// In-view navigation as plain decisions: paging, the jump box, what a clicked link does and what
// hovering a link shows. The window applies the result (view start, scroll target, render, menu,
// opening, pop-up); nothing here touches a widget.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/nglists.h"
#include "store/topicstate.h"

namespace view {

/// A new position for a topic page: set both, then render.
struct PageMove {
    int viewStart = 0;
    int scrollTarget = 0;
};

/// Index of the first line whose field 1 equals number as text, or -1.
int FindLineByNumberText(const std::vector<std::string> &lines, std::string_view number);

/// ThrMsgNextUpdate: more lines follow the page that starts at viewStart (n per page).
bool CanShowNextMessages(std::size_t lineCount, int viewStart, int n);
/// ThrMsgNext: the first message after the page becomes the scroll target, and the page moves on
/// by n, or to the last n lines. nullopt when nothing follows.
std::optional<PageMove> NextMessages(const std::vector<std::string> &lines, int viewStart, int n);

/// ThrMsgPrevUpdate.
bool CanShowPreviousMessages(int viewStart);
/// ThrMsgPrev: back by n (not below 0), scrolled to the page's first message. nullopt at 0.
std::optional<PageMove> PreviousMessages(const std::vector<std::string> &lines, int viewStart, int n);

/// ResLabeledEdit's Enter: the page that starts at the message numbered text (or the last page
/// when fewer than n lines follow it), scrolled to it. nullopt when text is not a number above 0
/// or no line has that number.
std::optional<PageMove> JumpToMessage(const std::vector<std::string> &lines, std::string_view text, int n);

/// The host name of an absolute URL ("http://host:port/path" gives "host").
std::string HostOf(std::string_view url);

enum class LinkAction {
    Nothing,
    External,       ///< OpenExternal(url)
    MessageMenu,    ///< target message = menuTarget; open ResPopupMenu at the mouse
    SameTopicPage,  ///< set the active tab's viewStart and scrollTarget to move, then render
    OpenOtherTopic, ///< OpenUrl(url, messageNumber, messageNumber, new tab, not local)
};

struct LinkDecision {
    LinkAction action = LinkAction::Nothing;
    int menuTarget = -1; ///< MessageMenu: the number after "pop:", -1 when it is not one
    PageMove move;       ///< SameTopicPage
    int messageNumber = 0; ///< OpenOtherTopic: the link's mid (0 when it is not a number)
};

/// What OpenLink does with a URL whose navigation the view cancelled.
struct LinkContext {
    std::string_view serviceDomain;           ///< [endpoint] domain
    std::string_view profileBase;             ///< [endpoint] profile; its host goes to the browser
    const store::TopicState *active = nullptr; ///< the active topic tab, if there is one
    int msgview = 100;
    bool yahoourl = true;
};

/// The OpenLink decision: links outside the service and to the profile server go to the external
/// browser; "pop:" opens the message menu; a link into the active topic moves its page one page
/// towards the message; a link to another topic opens it in a new tab (yahoourl) or outside.
LinkDecision DecideOpenLink(std::string_view url, const LinkContext &context);

/// The hover state the window keeps: whether a pop-up was shown for the link under the mouse,
/// and the hovered link (handed to OpenLink for middle clicks and new-window requests).
struct HoverState {
    bool popupShown = false;
    std::string hoveredLink;
};

/// What to do for one mouse move over an element of the active topic view.
struct HoverEffect {
    bool hidePopup = false;
    std::optional<std::string> status;   ///< new text of status panel 0
    std::optional<std::string> popupMid; ///< show the pop-up of the message with this mid
    std::optional<std::string> popupAnswersOf; ///< show the answers to the message with this mid
};

/// One mouse move: isLink when the element under the mouse is an "A", href its address (nullopt
/// when it cannot be read). Updates state. Leaving a link empties panel 0 only when it shows that
/// link's address, so moving over the page keeps a status such as the end of a download.
HoverEffect HoverElement(HoverState &state, bool isLink, const std::optional<std::string> &href, bool popres);

/// The pop-up text for mid: PopupText of the first of sourceLines whose field 1 equals mid as
/// text; nullopt when there is none. sourceLines are the tab's lines, or for an extraction tab
/// those of the first topic tab with the same topicUrl. A message with answers ends with the
/// list of their numbers (AnswerListText) after a blank line. patterns and chain hide as on the
/// page.
std::optional<std::string> PopupForMessage(std::string_view mid, const std::vector<std::string> &sourceLines,
                                           const settings::NgLists &ng, const settings::NgPatterns *patterns = nullptr,
                                           bool chain = false);

/// The pop-up of a reply count link: the pop-up texts of the lines that answer the message
/// numbered mid, in log order, a blank line between them; at most kAnswersShown of them, then a
/// line "…" with how many more there are. nullopt when no line has that number or none answers it.
std::optional<std::string> AnswersPopup(std::string_view mid, const std::vector<std::string> &sourceLines,
                                        const settings::NgLists &ng, const settings::NgPatterns *patterns = nullptr,
                                        bool chain = false);
inline constexpr std::size_t kAnswersShown = 10;

} // namespace view
