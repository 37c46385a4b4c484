// The mouse gesture recogniser: right-button strokes and the extra-button events turned into
// gestures, with no toolkit in it, so that the rules are tested without a display.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

enum class TMouseGestureType {
    mgUp,
    mgDown,
    mgLeft,
    mgRight,
    mgLeftClick,
    mgWheelClick,
    mgWheelUp,
    mgWheelDown,
    mgSide1,
    mgSide2,
    mgSide1R,
    mgSide2R,
};

using TMouseGestureArray = std::vector<TMouseGestureType>;

/// The text of a gesture element as stored in mouse.ini: the arrows as Shift_JIS characters,
/// the named events in ASCII.
std::string MouseGestureToString(TMouseGestureType type);
/// The key text of a whole gesture.
std::string MouseGestureArrayToString(const TMouseGestureArray &gesture);
/// Appends type unless it equals the last element; true when the gesture grew.
bool AddGesture(TMouseGestureType type, TMouseGestureArray &gesture);

/// One mouse message as the recogniser sees it. keys is the state the message reports: the
/// buttons held after it (a press includes its button, a release no longer does) and Shift
/// and Ctrl.
struct MouseMessage {
    enum class Kind { RightDown, RightUp, Move, LeftDown, LeftUp, MiddleDown, MiddleUp, Wheel, SideDown, SideUp };
    enum Key : unsigned { Left = 1, Right = 2, Middle = 4, Shift = 8, Ctrl = 16, Side1 = 32, Side2 = 64 };

    Kind kind = Kind::Move;
    int x = 0; ///< screen coordinates
    int y = 0;
    unsigned keys = 0;
    int wheelDelta = 0; ///< negative towards the user
    int side = 1;       ///< which side button, 1 or 2
};

/// `TgMouseGesture`: fed every mouse message of the application, says which ones to keep from
/// their windows and raises the gesture events. Main thread only.
class TgMouseGesture {
public:
    using GestureEvent = std::function<void(const TMouseGestureArray &)>;
    using TypeEvent = std::function<void(TMouseGestureType)>;

    int Margin = 5;
    bool Enabled = true;
    GestureEvent OnMouseGestureExecute;
    TypeEvent OnMouseGestureNotify;
    GestureEvent OnMouseGestureNotifyMove;

    /// `DoMouseGesture`: true when the message is handled and must not reach its window.
    bool DoMouseGesture(const MouseMessage &message);
    /// `MoveGesture`: records movement to the screen point.
    void MoveGesture(int x, int y);
    /// `GestureExecute`.
    void GestureExecute(const TMouseGestureArray &gesture);

    const TMouseGestureArray &current() const { return m_gesture; }
    bool extraButtonPending() const { return m_extraButton; }

private:
    int m_refX = 0;
    int m_refY = 0;
    TMouseGestureArray m_gesture;
    bool m_extraButton = false;
};

/// The place marks of the three panes, Shift_JIS.
inline constexpr const char kPlaceCategory[] = "\x81\xa0";  ///< "□"
inline constexpr const char kPlaceTopicList[] = "\x81\x9b"; ///< "○"
inline constexpr const char kPlaceTopic[] = "\x81\xa2";     ///< "△"

} // namespace settings
