// Reading and restoring the order and row breaks of a window's tool-bar bands.
#pragma once

#include <QMainWindow>
#include <QToolBar>
#include <vector>

#include "settings/settings.h"

namespace ui {

/// The bands of window's top area by position (rows top to bottom, left to right in a row): the
/// id of each (its index in bandsById), its width and whether it starts a new row.
std::vector<settings::BandLayout> ReadBands(const QMainWindow &window, const std::vector<QToolBar *> &bandsById);

/// Puts the bands into the stored order: for each position i, the band whose id is the i-th id
/// moves to position i and takes the i-th row break. Ids the window does not have leave their
/// position as it is. Widths are kept by Qt's tool-bar layout, which sizes bands itself.
void ApplyBands(QMainWindow &window, const std::vector<QToolBar *> &bandsById,
                const std::vector<settings::BandLayout> &layout);

} // namespace ui
