// Light or dark: what the desktop asks for, and the palettes and sizes that follow from it.
#pragma once

#include <QPalette>
#include <QRect>
#include <QString>
#include <array>

namespace ui {

/// Whether a palette is a dark one: its window colour is darker than its text.
bool IsDark(const QPalette &palette);

/// Whether the desktop asks for dark applications although Qt's own palette is light, as GNOME
/// does through its colour scheme and GTK_THEME ("Adwaita:dark"); Qt 6.4 reads neither.
/// gtkTheme is $GTK_THEME, colorScheme the text gsettings gives for
/// org.gnome.desktop.interface color-scheme ("'prefer-dark'").
bool DesktopAsksForDark(const QString &gtkTheme, const QString &colorScheme);

/// The desktop's colour scheme as gsettings reports it, or "" when there is none (no GNOME, no
/// gsettings, or no answer within a short wait).
QString ReadDesktopColorScheme();

/// A dark palette for the Fusion style, used when the desktop asks for dark and Qt gives light.
QPalette DarkPalette();

/// The first window when nothing is remembered: two thirds of the screen's free area, centred.
QRect FirstWindowGeometry(const QRect &available);

/// The eight list columns fitted to their content (content holds each column's widest text, the
/// header's included): every column but the title takes its content's width, and the title
/// takes what is left of available, never less than 200 (a narrow list then scrolls).
std::array<int, 8> FitListColumns(const std::array<int, 8> &content, int available);

/// The zoom steps of the topic view, in per cent, and the next one up or down from current
/// (clamped to the ends; a current value between steps goes to its neighbour).
int NextZoom(int current, int direction);
/// A stored zoom made safe: out of range or unreadable values give 100.
int SanitizedZoom(int stored);

} // namespace ui
