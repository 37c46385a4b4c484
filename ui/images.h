// The window's single list of 16 × 16 images; only the indices named here carry meaning.
#pragma once

#include <QIcon>
#include <vector>

namespace ui::image {

enum : int {
    Generic = 0,
    FolderClosed = 1,
    FolderOpen = 2,
    Board = 3,          ///< tree state image and topic-list tab icon
    TopicWithLog = 4,   ///< topic-list rows
    TopicWithoutLog = 5,
    Online = 6,
    Login = 7,
    CategoryPane = 8,
    TopicListPane = 9,
    TopicPane = 10,
    ChangePane = 11,
    Settings = 12,
    Browser = 13,
    Reload = 14,
    Stop = 15,
    Previous = 16,
    Next = 17,
    Reply = 18,
    Download = 19,
    Extract = 20,
    Favorite = 21,
    TopicTab = 22,      ///< topic tab icon
    Mark = 23,
    Close = 24,         ///< close buttons of the panes
    Delete = 25,
    Search = 26,
    Update = 27,
    OpenCategory = 28,
    NewTopic = 29,
    FavoriteTab = 30,
    CloseAll = 31,
    Count
};

/// Builds the list (`ImageList1`) from the style's standard icons. Needs a QApplication.
std::vector<QIcon> MakeImageList();

} // namespace ui::image
