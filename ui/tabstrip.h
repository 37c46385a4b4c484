// A tab strip with the reader's own mouse rules: middle-click closing, double-click reloading,
// reordering by dragging the active tab onto another, and wheel switching.
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <string>

namespace ui {

class TabStripBar : public QTabBar {
    Q_OBJECT
public:
    explicit TabStripBar(QWidget *parent = nullptr);

signals:
    /// The middle button was pressed; index is the tab under the pointer or -1.
    void middlePressed(int index);
    void leftDoubleClicked();
    /// The active tab was dragged and dropped on the tab at index (which may be itself or -1).
    void droppedOn(int index);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QPoint m_pressPos;
    bool m_pressed = false;
    bool m_dragging = false;
};

/// The tab control of a pane. Pages are appended or removed only through the pane, which keeps
/// its record list in step; moves arrive as tabMoved(from, to) after the strip has moved.
class TabStrip : public QTabWidget {
    Q_OBJECT
public:
    explicit TabStrip(QWidget *parent = nullptr);

    TabStripBar *strip() const { return m_bar; }
    /// Index of the tab at a point of the strip's own coordinates, or -1.
    int tabAtPoint(const QPoint &stripPos) const { return m_bar->tabAt(stripPos); }
    /// Moves the tab at from to to, as a drop does.
    void moveTab(int from, int to);

    /// Sets a tab's caption, kept as the Shift_JIS text the program stores and compares. The tab
    /// shows it with its entities decoded and "&" shown as itself, not as an accelerator.
    void setCaption(int index, const std::string &sjis);
    /// The caption as set, in Shift_JIS.
    std::string caption(int index) const;
    /// The text a caption is shown with.
    static QString DisplayCaption(const std::string &sjis);

    /// Switches to the neighbouring tab for a wheel turn; no wrap-around. True when the strip
    /// has tabs (the turn is then consumed even if nothing changed).
    bool wheelSwitch(int delta);
    /// True when a point of the strip's own coordinates lies in its row of tabs, the empty part
    /// right of the last tab included: the bar covers only its tabs, but the user sees one row.
    bool inTabRow(const QPoint &stripPos) const;

signals:
    void tabMoved(int from, int to);

protected:
    // The empty part of the row answers the pop-up menu and the double click as the tabs do.
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    TabStripBar *m_bar;
};

} // namespace ui
