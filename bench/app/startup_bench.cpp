// Start-up benchmark: time from constructing the main window to its first paint, against a bare
// QMainWindow shown the same way in the same process. Optionally saves a screenshot.
//
//   startup_bench <program-dir-with-Hakobune.so> [screenshot.png]
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/mainform.h"
#include "view/webengine.h"

namespace {

/// Waits for the first paint of a window and returns the milliseconds since timer started.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget *window) : m_window(window) { window->installEventFilter(this); }
    bool painted() const { return m_painted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    QWidget *m_window;
    bool m_painted = false;
};

double timeToFirstPaint(const std::function<QWidget *()> &make)
{
    QElapsedTimer timer;
    timer.start();
    QWidget *window = make();
    FirstPaint probe(window);
    window->show();
    while (!probe.painted() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    // From here to the first paint is what a user waits for, less the dynamic loader.
    auto entered = std::chrono::steady_clock::now();
    view::PrepareProcess();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <program-dir> [screenshot.png]\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
    if (dir.back() != '/')
        dir += '/';

    double reference = timeToFirstPaint([] {
        auto *w = new QMainWindow;
        w->resize(753, 474);
        return w;
    });

    TMainForm *form = nullptr;
    double startup = timeToFirstPaint([&] {
        form = new TMainForm(dir, [](const QString &, const QString &text) {
            std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        });
        form->FormCreate();
        return form;
    });
    double sinceEntry =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - entered).count();
    std::printf("bare window to first paint: %.1f ms\n", reference);
    std::printf("Nekomado start-up to first paint: %.1f ms (%.1fx the bare window)\n", startup, startup / reference);
    std::printf("program entry to Nekomado's first paint (both windows included): %.1f ms\n", sinceEntry);

    if (argc > 2) {
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 500)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        QPixmap shot = form->grab();
        if (!shot.save(QString::fromLocal8Bit(argv[2])))
            std::fprintf(stderr, "could not save %s\n", argv[2]);
    }
    delete form;
    return 0;
}
