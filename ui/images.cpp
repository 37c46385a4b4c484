// The image list, drawn from the style's standard pixmaps so that it follows the desktop theme.
#include "ui/images.h"

#include <QApplication>
#include <QStyle>

namespace ui::image {

std::vector<QIcon> MakeImageList()
{
    QStyle *style = QApplication::style();
    auto sp = [style](QStyle::StandardPixmap p) { return style->standardIcon(p); };
    std::vector<QIcon> images(Count);
    images[Generic] = sp(QStyle::SP_FileIcon);
    images[FolderClosed] = sp(QStyle::SP_DirClosedIcon);
    images[FolderOpen] = sp(QStyle::SP_DirOpenIcon);
    images[Board] = sp(QStyle::SP_FileDialogDetailedView);
    images[TopicWithLog] = sp(QStyle::SP_DialogSaveButton);
    images[TopicWithoutLog] = sp(QStyle::SP_FileIcon);
    images[Online] = sp(QStyle::SP_DriveNetIcon);
    images[Login] = sp(QStyle::SP_DialogYesButton);
    images[CategoryPane] = sp(QStyle::SP_DirHomeIcon);
    images[TopicListPane] = sp(QStyle::SP_FileDialogListView);
    images[TopicPane] = sp(QStyle::SP_FileDialogContentsView);
    images[ChangePane] = sp(QStyle::SP_BrowserReload);
    images[Settings] = sp(QStyle::SP_FileDialogInfoView);
    images[Browser] = sp(QStyle::SP_ComputerIcon);
    images[Reload] = sp(QStyle::SP_BrowserReload);
    images[Stop] = sp(QStyle::SP_BrowserStop);
    images[Previous] = sp(QStyle::SP_ArrowLeft);
    images[Next] = sp(QStyle::SP_ArrowRight);
    images[Reply] = sp(QStyle::SP_FileDialogNewFolder);
    images[Download] = sp(QStyle::SP_ArrowDown);
    images[Extract] = sp(QStyle::SP_FileDialogContentsView);
    images[Favorite] = sp(QStyle::SP_DialogApplyButton);
    images[TopicTab] = sp(QStyle::SP_FileIcon);
    images[Mark] = sp(QStyle::SP_MessageBoxInformation);
    images[Close] = sp(QStyle::SP_TitleBarCloseButton);
    images[Delete] = sp(QStyle::SP_TrashIcon);
    images[Search] = sp(QStyle::SP_FileDialogStart);
    images[Update] = sp(QStyle::SP_BrowserReload);
    images[OpenCategory] = sp(QStyle::SP_DirLinkIcon);
    images[NewTopic] = sp(QStyle::SP_FileDialogNewFolder);
    images[FavoriteTab] = sp(QStyle::SP_DirLinkIcon);
    images[CloseAll] = sp(QStyle::SP_DialogCloseButton);
    return images;
}

} // namespace ui::image
