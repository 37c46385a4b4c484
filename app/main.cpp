// Program entry: the application object, the main window and its message loop.
#include <QApplication>
#include <QMessageBox>

#include "app/mainform.h"
#include "base/programdir.h"
#include "help/programicon.h"
#include "view/webengine.h"

int main(int argc, char *argv[])
{
    view::PrepareProcess();
    QApplication app(argc, argv);
    QApplication::setWindowIcon(help::ProgramIcon());
    QApplication::setApplicationName(QStringLiteral("Nekomado"));
    QApplication::setApplicationDisplayName(QStringLiteral("Nekomado"));
    QApplication::setApplicationVersion(QStringLiteral(NK_VERSION));

    TMainForm form(base::ProgramDir());
    if (!form.FormCreate())
        return 1;
    form.show();
    return app.exec();
}
