// Band order and row breaks on QMainWindow's top tool-bar area.
#include "ui/bandlayout.h"

#include <algorithm>

namespace ui {

std::vector<settings::BandLayout> ReadBands(const QMainWindow &window, const std::vector<QToolBar *> &bandsById)
{
    struct Placed {
        int id;
        QRect rect;
        bool lineBreak;
    };
    std::vector<Placed> placed;
    for (int id = 0; id < static_cast<int>(bandsById.size()); ++id) {
        QToolBar *band = bandsById[static_cast<std::size_t>(id)];
        bool breakBefore = window.toolBarBreak(band);
        placed.push_back({id, band->geometry(), breakBefore});
    }
    // Before the window is shown every band sits at 0,0: keep the order the window has, which is
    // the order the bands were added in, then the id order.
    std::stable_sort(placed.begin(), placed.end(), [](const Placed &a, const Placed &b) {
        if (a.rect.top() != b.rect.top())
            return a.rect.top() < b.rect.top();
        return a.rect.left() < b.rect.left();
    });
    std::vector<settings::BandLayout> bands;
    int previousTop = -1;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        bool newRow = i > 0 && (placed[i].lineBreak || placed[i].rect.top() > previousTop);
        bands.push_back({placed[i].id, placed[i].rect.width(), newRow});
        previousTop = placed[i].rect.top();
    }
    return bands;
}

void ApplyBands(QMainWindow &window, const std::vector<QToolBar *> &bandsById,
                const std::vector<settings::BandLayout> &layout)
{
    std::vector<settings::BandLayout> current = ReadBands(window, bandsById);
    int count = static_cast<int>(current.size());
    for (int i = 0; i < count && i < static_cast<int>(layout.size()); ++i) {
        const settings::BandLayout &want = layout[static_cast<std::size_t>(i)];
        if (want.id) {
            auto at = std::find_if(current.begin(), current.end(),
                                   [&](const settings::BandLayout &b) { return b.id == *want.id; });
            if (at != current.end()) {
                settings::BandLayout moved = *at;
                current.erase(at);
                current.insert(current.begin() + i, moved);
            }
        }
        if (want.lineBreak)
            current[static_cast<std::size_t>(i)].lineBreak = *want.lineBreak;
        if (want.width)
            current[static_cast<std::size_t>(i)].width = *want.width;
    }
    window.setUpdatesEnabled(false);
    for (QToolBar *band : bandsById)
        window.removeToolBar(band);
    for (std::size_t i = 0; i < current.size(); ++i) {
        QToolBar *band = bandsById[static_cast<std::size_t>(*current[i].id)];
        if (i > 0 && current[i].lineBreak.value_or(false))
            window.addToolBarBreak(Qt::TopToolBarArea);
        window.addToolBar(Qt::TopToolBarArea, band);
        band->show();
    }
    window.setUpdatesEnabled(true);
}

} // namespace ui
