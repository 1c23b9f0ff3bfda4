#include "appicons.h"

#include <QPainter>
#include <QPainterPath>

namespace platform {

namespace {

// A page with a folded corner and a quill stroke: the document control's emblem.
QPixmap drawEmblem(int size, const QColor &accent)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, size >= 32);
    const qreal s = size;
    QPainterPath page;
    page.moveTo(s * 0.18, s * 0.06);
    page.lineTo(s * 0.64, s * 0.06);
    page.lineTo(s * 0.84, s * 0.26);
    page.lineTo(s * 0.84, s * 0.94);
    page.lineTo(s * 0.18, s * 0.94);
    page.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 40), qMax(1.0, s / 32)));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(accent);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(s * 0.28, s * 0.36, s * 0.44, s * 0.08));
    p.drawRect(QRectF(s * 0.28, s * 0.54, s * 0.44, s * 0.08));
    p.drawRect(QRectF(s * 0.28, s * 0.72, s * 0.30, s * 0.08));
    return pixmap;
}

const QColor applicationAccent(30, 90, 200);

} // namespace

QPixmap applicationIconPixmap(int size)
{
    return drawEmblem(size, applicationAccent);
}

QIcon iconA()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addPixmap(applicationIconPixmap(size));
    return icon;
}

QIcon iconB()
{
    return QIcon(drawEmblem(16, QColor(200, 40, 40)));
}

QPixmap aboutPicture()
{
    return drawEmblem(18, applicationAccent);
}

} // namespace platform
