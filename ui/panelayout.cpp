// The right-hand pane arrangement.
#include "ui/panelayout.h"

namespace ui {

void PaneArranger::arrange()
{
    m_host.layOut(m_typeVisible, -1);
}

void PaneArranger::rememberTopicListSize()
{
    if (m_guard)
        return;
    int extent = m_host.topicListExtent(m_typeVisible);
    if (m_typeVisible)
        m_paneWidth = extent;
    else
        m_paneHeight = extent;
}

void PaneArranger::arrange(RightPane changed)
{
    bool topicList = m_host.isVisible(RightPane::TopicList);
    bool topic = m_host.isVisible(RightPane::Topic);

    if (!topicList && !topic) {
        m_guard = true;
        toggle(changed == RightPane::Topic ? RightPane::TopicList : RightPane::Topic);
        m_guard = false;
        return;
    }
    if (topicList != topic) {
        rememberTopicListSize();
        m_host.layOut(m_typeVisible, -1);
    } else {
        int remembered = m_typeVisible ? m_paneWidth : m_paneHeight;
        // Nothing remembered yet would give the topic-list pane no room at all, as if the
        // command had failed: keep the extent it last had in this arrangement instead.
        m_host.layOut(m_typeVisible, remembered > 0 ? remembered : -1);
    }
    m_guard = false;
}

void PaneArranger::toggle(RightPane pane)
{
    m_host.setVisible(pane, !m_host.isVisible(pane));
    arrange(pane);
}

void PaneArranger::switchArrangement()
{
    if (m_host.isVisible(RightPane::TopicList) && m_host.isVisible(RightPane::Topic))
        m_host.layOut(!m_typeVisible, -1);
    m_typeVisible = !m_typeVisible;
}

} // namespace ui
