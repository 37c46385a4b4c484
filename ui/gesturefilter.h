// The mouse gesture recogniser on the application: every mouse message of the program's
// windows goes through it before any widget sees it.
#pragma once

#include "settings/mousegesture.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <functional>

class QMouseEvent;
class QWidget;
class QWindow;

namespace ui {

/// Installed on the application, it sees each mouse message once, at the window that received
/// it, and keeps from the widgets what the recogniser handles.
///
/// A right-button press is held back until the button is released: context menus here open on
/// the press, and a gesture must not open one. When no gesture was drawn, the press is given
/// to its window at the release, followed by the release, so that a plain right click selects
/// and shows its context menu as usual. Menus that are open get every message untouched.
/// Main thread only.
class GestureFilter : public QObject {
    Q_OBJECT
public:
    explicit GestureFilter(QObject *parent = nullptr);
    ~GestureFilter() override;

    settings::TgMouseGesture &recogniser() { return m_gesture; }

    /// Called on every right-button press before the gesture starts, with the widget directly
    /// under the pointer (may be null) and the pointer's screen position.
    std::function<void(QWidget *under, QPoint global)> onRightPress;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool handleMouse(QWindow *window, QMouseEvent *event);
    void replayPress();

    settings::TgMouseGesture m_gesture;
    QPointer<QWindow> m_pressWindow;
    QPointF m_pressPos;
    QPointF m_pressGlobal;
    Qt::KeyboardModifiers m_pressModifiers;
    bool m_pressHeld = false;
    const QEvent *m_replay = nullptr; ///< the event being given back, which passes untouched
};

} // namespace ui
