// Finding the help and opening the help window.
#include "help/help.h"

#include "help/helpwindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace help {

namespace {

constexpr QSize kWindowSize(780, 560);

} // namespace

Help::Help(const QString &programDir) : m_helpDir(QDir(programDir).filePath(QLatin1String(kHelpDirName)))
{
    const QDir dir(m_helpDir);
    QFile indexFile(dir.filePath(QLatin1String(kIndexFile)));
    m_available = QFileInfo(m_helpDir).isDir() && QFileInfo(dir.filePath(QLatin1String(kStartPage))).isFile() &&
                  indexFile.open(QIODevice::ReadOnly);
    if (m_available)
        m_index = HelpIndex::Parse(indexFile.readAll());
}

Help::~Help()
{
    delete m_window.data();
}

HelpWindow *Help::windowFor(QWidget *owner)
{
    QWidget *top = owner ? owner->window() : nullptr;
    if (!m_window) {
        m_window = new HelpWindow(m_helpDir, m_index, top);
        QScreen *screen = top ? top->screen() : QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), kWindowSize);
        m_window->resize(kWindowSize.boundedTo(area.size()));
        const QPoint centre = top ? top->frameGeometry().center() : area.center();
        m_window->move(centre - QPoint(m_window->width() / 2, m_window->height() / 2));
    } else if (m_window->parentWidget() != top) {
        // Reparenting hides a window; it keeps its place on the screen.
        const QRect geometry = m_window->geometry();
        m_window->setParent(top, m_window->windowFlags() | Qt::Window);
        m_window->setGeometry(geometry);
    }
    return m_window;
}

void Help::openDefault(QWidget *owner)
{
    if (!m_available)
        return;
    HelpWindow *window = windowFor(owner);
    window->showStartPage();
    window->show();
    window->raise();
    window->activateWindow();
}

void Help::openKeyword(QWidget *owner, const QString &keyword)
{
    if (!m_available)
        return;
    HelpWindow *window = windowFor(owner);
    window->showKeyword(keyword);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace help
