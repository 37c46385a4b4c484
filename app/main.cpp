// Program entry: the application object, the main window and its message loop.
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/mainform.h"
#include "base/datadir.h"
#include "base/programdir.h"
#include "help/programicon.h"
#include "ui/theme.h"
#include "view/webengine.h"

namespace {

int g_termPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_termPipe[1], &byte, 1);
}

/// SIGTERM and SIGHUP (a desktop session ending) close the window as the user would, so the
/// open tabs, the settings and the unwritten messages are saved instead of lost. Caught from the
/// start: a signal that comes before the window exists waits in the pipe for it.
void CatchTermination()
{
    if (::pipe2(g_termPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onTerminate;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

void CloseOnTermination(QWidget &window)
{
    if (g_termPipe[0] < 0)
        return;
    auto *notifier = new QSocketNotifier(g_termPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buffer[16];
        while (::read(g_termPipe[0], buffer, sizeof buffer) > 0) {
        }
        window.close();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    view::PrepareProcess();
    QApplication app(argc, argv);
    CatchTermination();
    QApplication::setWindowIcon(help::ProgramIcon());
    QApplication::setApplicationName(QStringLiteral("Nekomado"));
    // No display name: the platform would add it to titles that already say "Nekomado".
    QApplication::setApplicationVersion(QStringLiteral(NK_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("nekomado"));
    // Qt follows a dark KDE palette by itself, but not GNOME's dark preference.
    if (!ui::IsDark(QApplication::palette()) &&
        ui::DesktopAsksForDark(qEnvironmentVariable("GTK_THEME"), ui::ReadDesktopColorScheme())) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(ui::DarkPalette());
    }

    // A system install cannot hold the logs: they go to the user's data directory then.
    const base::DataDirChoice data = base::ChooseDataDir(base::ProgramDir());
    if (!data.error.empty())
        QMessageBox::warning(nullptr, QStringLiteral("Nekomado"),
                             QString::fromUtf8("データを保存するフォルダを作成できませんでした: ") +
                                 QString::fromStdString(data.error));
    TMainForm form(data.dir);
    if (!form.FormCreate())
        return 1;
    CloseOnTermination(form);
    form.show();
    return app.exec();
}
