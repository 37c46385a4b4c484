// Following the desktop's light or dark look, the first window's size, and the zoom steps.
#include "ui/theme.h"

#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <array>

namespace ui {

namespace {

constexpr std::array<int, 13> kZoomSteps = {30, 50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

} // namespace

bool IsDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

bool DesktopAsksForDark(const QString &gtkTheme, const QString &colorScheme)
{
    return gtkTheme.endsWith(QLatin1String(":dark"), Qt::CaseInsensitive) ||
           colorScheme.contains(QLatin1String("prefer-dark"));
}

QString ReadDesktopColorScheme()
{
    const QString gsettings = QStandardPaths::findExecutable(QStringLiteral("gsettings"));
    if (gsettings.isEmpty())
        return {};
    QProcess process;
    process.start(gsettings, {QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"),
                              QStringLiteral("color-scheme")});
    // At start-up: a desktop without a settings daemon must not hold the window back.
    if (!process.waitForFinished(300)) {
        process.kill();
        process.waitForFinished(100);
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QPalette DarkPalette()
{
    QPalette p;
    const QColor window(0x2b, 0x2b, 0x2b), base(0x1f, 0x1f, 0x1f), text(0xe0, 0xe0, 0xe0);
    const QColor disabled(0x80, 0x80, 0x80), highlight(0x3d, 0x6f, 0xb5);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x27, 0x27, 0x27));
    p.setColor(QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, disabled);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, Qt::red);
    p.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
    p.setColor(QPalette::LinkVisited, QColor(0xc5, 0x8a, 0xf9));
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x45, 0x45, 0x45));
    p.setColor(QPalette::Midlight, QColor(0x3a, 0x3a, 0x3a));
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
    p.setColor(QPalette::Shadow, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    return p;
}

QRect FirstWindowGeometry(const QRect &available)
{
    const int width = available.width() * 2 / 3;
    const int height = available.height() * 2 / 3;
    return {available.x() + (available.width() - width) / 2, available.y() + (available.height() - height) / 2,
            width, height};
}

std::array<int, 8> FitListColumns(const std::array<int, 8> &content, int available)
{
    constexpr std::size_t kTitle = 2;
    std::array<int, 8> widths = content;
    int others = 0;
    for (std::size_t i = 0; i < widths.size(); ++i)
        if (i != kTitle)
            others += widths[i];
    widths[kTitle] = std::max(available - others, 200);
    return widths;
}

int NextZoom(int current, int direction)
{
    if (direction > 0) {
        auto it = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), current);
        return it == kZoomSteps.end() ? kZoomSteps.back() : *it;
    }
    auto it = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), current);
    return it == kZoomSteps.begin() ? kZoomSteps.front() : *std::prev(it);
}

int SanitizedZoom(int stored)
{
    return stored >= kZoomSteps.front() && stored <= kZoomSteps.back() ? stored : 100;
}

} // namespace ui
