#include "linecontrol.h"

#include <QPainter>

namespace platform {

LineControl::LineControl(QPoint from, QPoint to, const QColor &color, int width, QWidget *parent)
    : QWidget(parent), m_from(from), m_to(to), m_color(color), m_width(width)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const QRect bounds = QRect(from, to).normalized().adjusted(0, 0, width, width);
    setGeometry(bounds);
}

void LineControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QPen pen(m_color, m_width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    const QPoint origin = geometry().topLeft();
    const QPointF offset(m_width / 2.0, m_width / 2.0);
    painter.drawLine(QPointF(m_from - origin) + offset, QPointF(m_to - origin) + offset);
}

} // namespace platform
