// Guide lines and expand buttons of the category trees, as the settings ask for them.
#pragma once

class QStyle;

namespace ui {

/// A style for a tree that draws dotted guide lines between nodes when guides is on, and the
/// expand buttons only when buttons is on. One shared instance per combination, owned by the
/// application.
QStyle *TreeGuideStyle(bool guides, bool buttons);

} // namespace ui
