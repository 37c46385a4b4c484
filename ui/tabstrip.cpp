// The tab strip's mouse handling.
#include "ui/tabstrip.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QSignalBlocker>

#include "qtbridge/sjis.h"
#include "ui/tablist.h"
#include "view/texttransform.h"

namespace ui {

TabStripBar::TabStripBar(QWidget *parent) : QTabBar(parent)
{
    setMovable(false); // reordering follows the drop rule below, not Qt's live sliding
    setUsesScrollButtons(true);
    setElideMode(Qt::ElideRight);
}

void TabStripBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        emit middlePressed(tabAt(event->position().toPoint()));
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_dragging = false;
        m_pressPos = event->position().toPoint();
    }
    QTabBar::mousePressEvent(event);
}

void TabStripBar::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed && !m_dragging &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragging = true;
        setCursor(Qt::DragMoveCursor);
    }
    QTabBar::mouseMoveEvent(event);
}

void TabStripBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (m_dragging) {
            m_dragging = false;
            unsetCursor();
            emit droppedOn(tabAt(event->position().toPoint()));
            event->accept();
            return;
        }
    }
    QTabBar::mouseReleaseEvent(event);
}

void TabStripBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit leftDoubleClicked();
    QTabBar::mouseDoubleClickEvent(event);
}

TabStrip::TabStrip(QWidget *parent) : QTabWidget(parent), m_bar(new TabStripBar(this))
{
    setTabBar(m_bar);
    connect(m_bar, &TabStripBar::droppedOn, this, [this](int index) {
        if (auto move = TabDropMove(currentIndex(), index, count()))
            moveTab(move->first, move->second);
    });
}

void TabStrip::moveTab(int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= count() || to >= count())
        return;
    // The bar reports the new current index while the panes' records are still in the old
    // order; the change is told only once the records have followed.
    const int was = currentIndex();
    {
        const QSignalBlocker quiet(this);
        m_bar->moveTab(from, to);
    }
    emit tabMoved(from, to);
    if (currentIndex() != was)
        emit currentChanged(currentIndex());
}

void TabStrip::setCaption(int index, const std::string &sjis)
{
    m_bar->setTabData(index, QByteArray::fromStdString(sjis));
    setTabText(index, DisplayCaption(sjis));
}

std::string TabStrip::caption(int index) const
{
    return m_bar->tabData(index).toByteArray().toStdString();
}

QString TabStrip::DisplayCaption(const std::string &sjis)
{
    return qtbridge::FromSjis(view::DecodeEntities(sjis)).replace(u'&', QStringLiteral("&&"));
}

bool TabStrip::wheelSwitch(int delta)
{
    if (count() == 0)
        return false;
    int i = currentIndex();
    if (delta > 0 && i < count() - 1)
        setCurrentIndex(i + 1);
    else if (delta < 0 && i > 0)
        setCurrentIndex(i - 1);
    return true;
}

bool TabStrip::inTabRow(const QPoint &stripPos) const
{
    const QRect bar = m_bar->geometry();
    return !bar.isEmpty() && rect().contains(stripPos) && stripPos.y() >= bar.top() && stripPos.y() <= bar.bottom();
}

void TabStrip::contextMenuEvent(QContextMenuEvent *event)
{
    if (!inTabRow(event->pos())) {
        QTabWidget::contextMenuEvent(event);
        return;
    }
    event->accept();
    emit m_bar->customContextMenuRequested(m_bar->mapFrom(this, event->pos()));
}

void TabStrip::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && inTabRow(event->position().toPoint())) {
        event->accept();
        emit m_bar->leftDoubleClicked();
        return;
    }
    QTabWidget::mouseDoubleClickEvent(event);
}

} // namespace ui
