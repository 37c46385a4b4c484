// The gesture rules: directions with a margin and no repeats, and the events of the other
// buttons while the right one is held.
#include "settings/mousegesture.h"

#include <cstdlib>

namespace settings {

std::string MouseGestureToString(TMouseGestureType type)
{
    switch (type) {
    case TMouseGestureType::mgUp:
        return "\x81\xaa"; // "↑"
    case TMouseGestureType::mgDown:
        return "\x81\xab"; // "↓"
    case TMouseGestureType::mgLeft:
        return "\x81\xa9"; // "←"
    case TMouseGestureType::mgRight:
        return "\x81\xa8"; // "→"
    case TMouseGestureType::mgLeftClick:
        return "LeftClick";
    case TMouseGestureType::mgWheelClick:
        return "WheelClick";
    case TMouseGestureType::mgWheelUp:
        return "WheelUp";
    case TMouseGestureType::mgWheelDown:
        return "WheelDown";
    case TMouseGestureType::mgSide1:
        return "Side1";
    case TMouseGestureType::mgSide2:
        return "Side2";
    case TMouseGestureType::mgSide1R:
        return "Side1R";
    case TMouseGestureType::mgSide2R:
        return "Side2R";
    }
    return {};
}

namespace {

bool isDirection(TMouseGestureType t)
{
    return t == TMouseGestureType::mgUp || t == TMouseGestureType::mgDown || t == TMouseGestureType::mgLeft ||
           t == TMouseGestureType::mgRight;
}

} // namespace

std::string MouseGestureArrayToString(const TMouseGestureArray &gesture)
{
    std::string text;
    for (TMouseGestureType t : gesture) {
        if (!isDirection(t) && !text.empty())
            text += "\r\n";
        text += MouseGestureToString(t);
    }
    return text;
}

bool AddGesture(TMouseGestureType type, TMouseGestureArray &gesture)
{
    if (!gesture.empty() && gesture.back() == type)
        return false;
    gesture.push_back(type);
    return true;
}

bool TgMouseGesture::DoMouseGesture(const MouseMessage &m)
{
    if (!Enabled)
        return false;
    using Kind = MouseMessage::Kind;
    const bool rightHeld = (m.keys & MouseMessage::Right) != 0;
    switch (m.kind) {
    case Kind::RightDown:
        m_gesture.clear();
        m_refX = m.x;
        m_refY = m.y;
        return false;
    case Kind::Move:
        if (m.keys != MouseMessage::Right)
            return false;
        MoveGesture(m.x, m.y);
        return true;
    case Kind::RightUp: {
        m_extraButton = false;
        if (m_gesture.empty() || m.keys != 0)
            return false;
        TMouseGestureArray gesture = m_gesture;
        GestureExecute(gesture);
        return true;
    }
    case Kind::LeftDown:
        if (m.keys != (MouseMessage::Left | MouseMessage::Right))
            return false;
        m_extraButton = true;
        return true;
    case Kind::MiddleDown:
        if (m.keys != (MouseMessage::Middle | MouseMessage::Right))
            return false;
        m_extraButton = true;
        return true;
    case Kind::LeftUp:
    case Kind::MiddleUp:
        if (!m_extraButton)
            return false;
        m_extraButton = false;
        GestureExecute({m.kind == Kind::LeftUp ? TMouseGestureType::mgLeftClick : TMouseGestureType::mgWheelClick});
        return true;
    case Kind::Wheel:
        if (m.keys != MouseMessage::Right)
            return false;
        GestureExecute({m.wheelDelta < 0 ? TMouseGestureType::mgWheelDown : TMouseGestureType::mgWheelUp});
        return true;
    case Kind::SideDown:
        m_extraButton = true;
        return rightHeld;
    case Kind::SideUp: {
        if (!m_extraButton)
            return false;
        m_extraButton = false;
        bool second = m.side == 2;
        TMouseGestureType t = rightHeld ? (second ? TMouseGestureType::mgSide2R : TMouseGestureType::mgSide1R)
                                        : (second ? TMouseGestureType::mgSide2 : TMouseGestureType::mgSide1);
        GestureExecute({t});
        return true;
    }
    }
    return false;
}

void TgMouseGesture::MoveGesture(int x, int y)
{
    const int dx = std::abs(x - m_refX);
    const int dy = std::abs(y - m_refY);
    if (dx <= Margin && dy <= Margin)
        return;
    // An exact diagonal counts as horizontal: the ratio stays just below 1.
    const double ratio = static_cast<double>(dy) / (static_cast<double>(dx) + 0.001);
    TMouseGestureType direction;
    if (ratio >= 1)
        direction = y > m_refY ? TMouseGestureType::mgDown : TMouseGestureType::mgUp;
    else
        direction = x > m_refX ? TMouseGestureType::mgRight : TMouseGestureType::mgLeft;
    if (AddGesture(direction, m_gesture)) {
        if (OnMouseGestureNotify)
            OnMouseGestureNotify(direction);
        if (OnMouseGestureNotifyMove)
            OnMouseGestureNotifyMove(m_gesture);
    }
    m_refX = x;
    m_refY = y;
}

void TgMouseGesture::GestureExecute(const TMouseGestureArray &gesture)
{
    if (OnMouseGestureExecute)
        OnMouseGestureExecute(gesture);
}

} // namespace settings
