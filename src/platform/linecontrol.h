#pragma once

#include <QColor>
#include <QWidget>

namespace platform {

// A line drawn on a form between two points of its client area (pixels).
class LineControl : public QWidget
{
    Q_OBJECT
public:
    LineControl(QPoint from, QPoint to, const QColor &color, int width, QWidget *parent);

    QPoint from() const { return m_from; }
    QPoint to() const { return m_to; }
    QColor color() const { return m_color; }
    int lineWidth() const { return m_width; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPoint m_from;
    QPoint m_to;
    QColor m_color;
    int m_width;
};

} // namespace platform
