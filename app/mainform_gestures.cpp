// Mouse gestures in the window: the place mark of a press, the gesture in the status bar while
// it is drawn, and the command bound to it in mouse.ini.
#include "app/mainform.h"
#include "base/programdir.h"
#include "qtbridge/sjis.h"
#include "settings/gesturebindings.h"
#include "ui/gesturefilter.h"
#include "ui/panes.h"

#include <QApplication>
#include <QTreeWidget>

namespace {

bool within(QWidget *under, QWidget *area)
{
    return under && area && (under == area || area->isAncestorOf(under));
}

} // namespace

void TMainForm::wireGestures()
{
    m_gestureFilter = new ui::GestureFilter(this);
    settings::TgMouseGesture &g = m_gestureFilter->recogniser();
    g.Margin = 5;
    g.Enabled = true;
    g.OnMouseGestureNotifyMove = [this](const settings::TMouseGestureArray &gesture) {
        gMouseGesture1MouseGestureNotifyMove(gesture);
    };
    g.OnMouseGestureExecute = [this](const settings::TMouseGestureArray &gesture) {
        // The command runs once the mouse message is done with, as a menu command would.
        QMetaObject::invokeMethod(
            this, [this, gesture] { gMouseGesture1MouseGestureExecute(gesture); }, Qt::QueuedConnection);
    };
    m_gestureFilter->onRightPress = [this](QWidget *under, QPoint global) {
        m_gesturePlace = gesturePlaceAt(under, global);
    };
}

std::string TMainForm::gesturePlaceAt(QWidget *under, QPoint global)
{
    if (m_destroyed)
        return {};
    if (ui::CategoryPage *page = m_categoryPane->activePage(); page && within(under, page->tree))
        return settings::kPlaceCategory;
    if (ui::TopicListPage *page = m_topicListPane->activePage(); page && within(under, page->view))
        return settings::kPlaceTopicList;
    if (m_topicPane->pages().size() > 0 && m_topicPane->isVisible() &&
        m_topicPane->rect().contains(m_topicPane->mapFromGlobal(global)) && under && under->window() == this)
        return settings::kPlaceTopic;
    return {};
}

void TMainForm::gMouseGesture1MouseGestureNotifyMove(const settings::TMouseGestureArray &gesture)
{
    ShowStatus(0, qtbridge::FromSjis(m_gesturePlace + settings::MouseGestureArrayToString(gesture)));
}

void TMainForm::gMouseGesture1MouseGestureExecute(const settings::TMouseGestureArray &gesture)
{
    if (m_destroyed)
        return;
    // Read anew every time: the user may edit the file while the program runs.
    auto ini = settings::IniFile::Load(base::JoinPath(m_programDir, settings::kMouseIniName));
    auto name = settings::LookUpGesture(ini, m_gesturePlace, settings::MouseGestureArrayToString(gesture));
    if (name)
        m_actions->run(qtbridge::FromSjis(*name));
}
