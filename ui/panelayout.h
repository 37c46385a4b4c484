// The arrangement rules of the two right-hand panes (topic lists above or beside topics), kept
// apart from the widgets so that they can be tested without a display.
#pragma once

namespace ui {

enum class RightPane { TopicList, Topic };

/// What the arrangement needs from the window: the two panes' visibility and the topic-list
/// pane's size, and a way to lay the right side out.
class PaneLayoutHost {
public:
    virtual ~PaneLayoutHost() = default;
    virtual bool isVisible(RightPane pane) const = 0;
    virtual void setVisible(RightPane pane, bool visible) = 0;
    /// The topic-list pane's current width (side by side) or height (stacked).
    virtual int topicListExtent(bool sideBySide) const = 0;
    /// Lays out the right side: the topic-list pane at the left (sideBySide) or at the top, with
    /// the given extent, or keeping its current extent when extent < 0; the topic pane fills
    /// the rest. A hidden pane takes no room and leaves no splitter behind.
    virtual void layOut(bool sideBySide, int extent) = 0;
};

/// `ArrangePanes`, the pane commands' toggles and `WindowChangePane`, with the arrangement state
/// persisted in [form]: `type_visible`, `pane_width`, `pane_height`.
class PaneArranger {
public:
    explicit PaneArranger(PaneLayoutHost &host) : m_host(host) {}

    bool typeVisible() const { return m_typeVisible; }
    void setTypeVisible(bool on) { m_typeVisible = on; }
    int paneWidth() const { return m_paneWidth; }
    int paneHeight() const { return m_paneHeight; }
    void setRememberedSizes(int width, int height)
    {
        m_paneWidth = width;
        m_paneHeight = height;
    }

    /// Applies the current arrangement without changing what is shown.
    void arrange();
    /// Re-lays out the right side after `changed` was shown or hidden. Hiding the last visible
    /// right-hand pane shows the other one instead: the right side is never empty.
    void arrange(RightPane changed);
    /// `WindowThrLst` / `WindowThr`: shows the pane when hidden, hides it when shown.
    void toggle(RightPane pane);
    /// `WindowChangePane`: switches the arrangement on screen when both panes are visible; with
    /// one hidden it only changes the arrangement the next showing will use.
    void switchArrangement();

private:
    void rememberTopicListSize();

    PaneLayoutHost &m_host;
    bool m_typeVisible = false;
    int m_paneWidth = 0;
    int m_paneHeight = 0;
    bool m_guard = false; ///< `PaneLayoutGuard`: set while a pane is forced visible
};

} // namespace ui
