// The tree style behind [general] tree_guide and tree_buttons.
#include "ui/treeguide.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOption>

namespace ui {

namespace {

class GuideStyle : public QProxyStyle {
public:
    GuideStyle(bool guides, bool buttons) : m_guides(guides), m_buttons(buttons) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element != PE_IndicatorBranch) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        if (m_guides) {
            const QRect r = option->rect;
            const int mx = r.center().x();
            const int my = r.center().y();
            painter->save();
            QPen pen(option->palette.color(QPalette::Mid));
            pen.setStyle(Qt::DotLine);
            painter->setPen(pen);
            if (option->state & State_Item) {
                painter->drawLine(mx, r.top(), mx, option->state & State_Sibling ? r.bottom() : my);
                painter->drawLine(mx, my, r.right(), my);
            } else if (option->state & State_Sibling) {
                painter->drawLine(mx, r.top(), mx, r.bottom());
            }
            painter->restore();
        }
        if (m_buttons && (option->state & State_Children))
            QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

private:
    bool m_guides;
    bool m_buttons;
};

} // namespace

QStyle *TreeGuideStyle(bool guides, bool buttons)
{
    static QStyle *styles[4] = {};
    QStyle *&style = styles[(guides ? 2 : 0) + (buttons ? 1 : 0)];
    if (!style) {
        style = new GuideStyle(guides, buttons);
        style->setParent(qApp);
    }
    return style;
}

} // namespace ui
