// The right-hand panes as the arrangement rules see them: two panes in one splitter.
#pragma once

#include <QSplitter>
#include <QWidget>
#include <algorithm>

#include "ui/panelayout.h"

namespace ui {

/// The right side as the arrangement rules see it: the topic-list pane and the topic pane in
/// one splitter, whose orientation is the arrangement. The extent of the topic-list pane is
/// remembered per orientation while both panes are shown, because a splitter gives a hidden
/// pane's room to the other at once.
class SplitterPaneHost : public PaneLayoutHost {
public:
    SplitterPaneHost(QSplitter &splitter, QWidget &topicList, QWidget &topic)
        : m_splitter(splitter), m_topicList(topicList), m_topic(topic)
    {
        QObject::connect(&m_splitter, &QSplitter::splitterMoved, [this] { track(); });
    }

    bool isVisible(RightPane pane) const override { return !widget(pane).isHidden(); }
    void setVisible(RightPane pane, bool visible) override
    {
        track();
        widget(pane).setVisible(visible);
    }
    int topicListExtent(bool sideBySide) const override { return m_extent[sideBySide ? 1 : 0]; }
    void setExtent(bool sideBySide, int extent) { m_extent[sideBySide ? 1 : 0] = extent; }

    void layOut(bool sideBySide, int extent) override
    {
        m_splitter.setOrientation(sideBySide ? Qt::Horizontal : Qt::Vertical);
        if (m_topicList.isHidden() || m_topic.isHidden())
            return;
        int e = extent >= 0 ? extent : m_extent[sideBySide ? 1 : 0];
        int total = sideBySide ? m_splitter.width() : m_splitter.height();
        // Before the first layout the splitter has no size of its own; the stretch factors keep
        // the topic-list pane at e once it gets one.
        m_splitter.setSizes({e, std::max(total - e - m_splitter.handleWidth(), 1)});
        m_extent[sideBySide ? 1 : 0] = e;
    }

    /// The topic-list pane's current extent, while both panes are shown.
    int currentExtent() const
    {
        bool side = m_splitter.orientation() == Qt::Horizontal;
        if (m_topicList.isHidden() || m_topic.isHidden() || !m_splitter.isVisible())
            return m_extent[side ? 1 : 0];
        return m_splitter.sizes().value(0);
    }

private:
    QWidget &widget(RightPane pane) const
    {
        return pane == RightPane::TopicList ? m_topicList : m_topic;
    }
    void track()
    {
        if (m_topicList.isHidden() || m_topic.isHidden() || !m_splitter.isVisible())
            return;
        bool side = m_splitter.orientation() == Qt::Horizontal;
        m_extent[side ? 1 : 0] = m_splitter.sizes().value(0);
    }

    QSplitter &m_splitter;
    QWidget &m_topicList;
    QWidget &m_topic;
    int m_extent[2] = {169, 300}; ///< the design height (stacked) and a width (side by side)
};

} // namespace ui
