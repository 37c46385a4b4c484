// The image list, drawn from the style's standard pixmaps so that it follows the desktop theme.
#include "ui/images.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace ui::image {

namespace {

// The three images of the category trees are drawn here: the style's folder and file icons are
// alike, or the same picture, in many themes, and the tree must tell a category, an open
// category and a board apart at a glance.
QIcon drawn(int which)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor edge(120, 90, 20);
    const QColor folder(240, 200, 80);
    switch (which) {
    case FolderClosed:
        p.setPen(edge);
        p.setBrush(folder);
        p.drawRect(1, 3, 6, 2);  // tab
        p.drawRect(1, 5, 13, 8); // body
        break;
    case FolderOpen:
        p.setPen(edge);
        p.setBrush(folder.darker(115));
        p.drawRect(1, 3, 6, 2);
        p.drawRect(1, 5, 12, 8); // back
        p.setBrush(folder.lighter(115));
        p.drawPolygon(QPolygon({QPoint(3, 8), QPoint(15, 8), QPoint(13, 13), QPoint(1, 13)})); // flap
        break;
    default: // Board: a sheet with lines of text
        p.setPen(QColor(60, 60, 110));
        p.setBrush(Qt::white);
        p.drawRect(3, 1, 10, 13);
        p.setPen(QColor(70, 110, 190));
        for (int y = 4; y <= 11; y += 2)
            p.drawLine(5, y, 11, y);
        break;
    }
    p.end();
    return QIcon(pixmap);
}

} // namespace

std::vector<QIcon> MakeImageList()
{
    QStyle *style = QApplication::style();
    auto sp = [style](QStyle::StandardPixmap p) { return style->standardIcon(p); };
    std::vector<QIcon> images(Count);
    images[Generic] = sp(QStyle::SP_FileIcon);
    images[FolderClosed] = drawn(FolderClosed);
    images[FolderOpen] = drawn(FolderOpen);
    images[Board] = drawn(Board);
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
