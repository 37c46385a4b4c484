// Loads the program icon from the resources compiled into this library.
#include "help/programicon.h"

#include <QString>

// A static library's resources are registered only when something refers to them; the macro must
// be used outside any namespace.
static void InitHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace help {

QIcon ProgramIcon()
{
    static const bool registered = (InitHelpResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/nekomado/icons/nekomado-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace help
