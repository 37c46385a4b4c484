// Translating the toolkit's mouse events into the recogniser's messages, and holding back the
// right-button press.
#include "ui/gesturefilter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

namespace ui {

namespace {

using settings::MouseMessage;

unsigned keyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    unsigned keys = 0;
    if (buttons & Qt::LeftButton)
        keys |= MouseMessage::Left;
    if (buttons & Qt::RightButton)
        keys |= MouseMessage::Right;
    if (buttons & Qt::MiddleButton)
        keys |= MouseMessage::Middle;
    if (buttons & Qt::BackButton)
        keys |= MouseMessage::Side1;
    if (buttons & Qt::ForwardButton)
        keys |= MouseMessage::Side2;
    if (modifiers & Qt::ShiftModifier)
        keys |= MouseMessage::Shift;
    if (modifiers & Qt::ControlModifier)
        keys |= MouseMessage::Ctrl;
    return keys;
}

} // namespace

GestureFilter::GestureFilter(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

GestureFilter::~GestureFilter()
{
    qApp->removeEventFilter(this);
}

bool GestureFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event == m_replay)
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick &&
        type != QEvent::MouseMove && type != QEvent::Wheel)
        return false;
    // A widget sees an event after its window did; the window is where each event arrives once.
    auto *window = qobject_cast<QWindow *>(watched);
    if (!window || !window->inherits("QWidgetWindow") || QApplication::activePopupWidget())
        return false;
    // A command run under a modal dialog could close the tab the dialog was opened for, or be
    // undone when the dialog is confirmed: gestures wait until it is closed.
    if (QApplication::activeModalWidget())
        return false;
    if (type == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        // A sideways turn (a tilting wheel, a touchpad) is neither wheel gesture: it scrolls.
        if (wheel->angleDelta().y() == 0)
            return false;
        QPoint global = wheel->globalPosition().toPoint();
        MouseMessage m{
            MouseMessage::Kind::Wheel, global.x(), global.y(), keyState(wheel->buttons(), wheel->modifiers()),
            wheel->angleDelta().y(),   1};
        return m_gesture.DoMouseGesture(m);
    }
    return handleMouse(window, static_cast<QMouseEvent *>(event));
}

bool GestureFilter::handleMouse(QWindow *window, QMouseEvent *event)
{
    using Kind = MouseMessage::Kind;
    const bool press = event->type() != QEvent::MouseButtonRelease && event->type() != QEvent::MouseMove;
    const QPoint global = event->globalPosition().toPoint();
    MouseMessage m{Kind::Move, global.x(), global.y(), keyState(event->buttons(), event->modifiers()), 0, 1};
    switch (event->button()) {
    case Qt::NoButton:
        m.kind = Kind::Move;
        break;
    case Qt::RightButton:
        m.kind = press ? Kind::RightDown : Kind::RightUp;
        break;
    case Qt::LeftButton:
        m.kind = press ? Kind::LeftDown : Kind::LeftUp;
        break;
    case Qt::MiddleButton:
        m.kind = press ? Kind::MiddleDown : Kind::MiddleUp;
        break;
    case Qt::BackButton:
    case Qt::ForwardButton:
        m.kind = press ? Kind::SideDown : Kind::SideUp;
        m.side = event->button() == Qt::BackButton ? 1 : 2;
        break;
    default:
        return false;
    }

    if (m.kind == Kind::RightDown) {
        if (onRightPress)
            onRightPress(QApplication::widgetAt(global), global);
        m_gesture.DoMouseGesture(m);
        m_pressWindow = window;
        m_pressPos = event->position();
        m_pressGlobal = event->globalPosition();
        m_pressModifiers = event->modifiers();
        m_pressHeld = true;
        return true;
    }
    const bool handled = m_gesture.DoMouseGesture(m);
    if (m.kind == Kind::RightUp && m_pressHeld) {
        m_pressHeld = false;
        if (handled)
            return true;
        // No gesture: the press the window has not seen yet comes first, then this release.
        replayPress();
        return false;
    }
    return handled;
}

void GestureFilter::replayPress()
{
    if (!m_pressWindow)
        return;
    QMouseEvent press(QEvent::MouseButtonPress, m_pressPos, m_pressPos, m_pressGlobal, Qt::RightButton, Qt::RightButton,
                      m_pressModifiers);
    m_replay = &press;
    QCoreApplication::sendEvent(m_pressWindow, &press);
    m_replay = nullptr;
}

} // namespace ui
