// The program's icon: a window with a cat's ears and face, drawn for Nekomado.
#pragma once

#include <QIcon>

namespace help {

/// The icon in all its drawn sizes (16 to 256 pixels), from the library's resources. Needs a
/// QGuiApplication.
QIcon ProgramIcon();

} // namespace help
