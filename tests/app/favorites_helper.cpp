// A window of its own process for the kill test of the favorites: it starts on a program
// directory, makes favorites edits through the window's commands, says so on standard output and
// then keeps running until it is killed.
//
//     nk_favorites_helper <program dir> <board list URL>
//
// The board must have a board list file (the parent opened it once); the helper opens it from
// there, adds its first topic to the favorites and the board to the favorites tree.
#include "app/mainform.h"
#include "store/openurl.h"
#include "ui/categorytreeview.h"
#include "ui/panes.h"

#include <QAction>
#include <QApplication>
#include <QTreeWidget>
#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: nk_favorites_helper <program dir> <board list URL>\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string listUrl = argv[2];
    TMainForm form(
        argv[1],
        [](const QString &, const QString &text) {
            std::fprintf(stderr, "message: %s\n", text.toLocal8Bit().constData());
        },
        [](QWidget *parent) { return new QWidget(parent); });
    if (!form.FormCreate())
        return 3;

    form.OpenUrl(listUrl, 0, 0, store::OpenMode::NewTab, true);
    ui::TopicListPage *page = form.topicListPane().activePage();
    auto *list = page ? qobject_cast<QTreeWidget *>(page->view.data()) : nullptr;
    if (!page || page->listUrl != listUrl || !list || list->topLevelItemCount() == 0)
        return 4;
    list->setCurrentItem(list->topLevelItem(0));
    if (!form.actions().run(QStringLiteral("ThrLstAddFavorite")))
        return 5;

    ui::CategoryPage &site = form.categoryPane().pages()[form.siteCategoryTab()];
    form.categoryPane().strip()->setCurrentIndex(form.siteCategoryTab());
    for (QTreeWidgetItemIterator it(site.tree); *it; ++it) {
        auto *node = static_cast<ui::CategoryItem *>(*it);
        if (node->data().url == listUrl)
            site.tree->setCurrentItem(node);
    }
    if (!form.actions().run(QStringLiteral("CtgAddFavorite")))
        return 6;

    std::printf("edited\n");
    std::fflush(stdout);
    return app.exec();
}
