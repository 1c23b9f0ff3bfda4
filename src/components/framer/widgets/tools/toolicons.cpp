#include "widgets/tools/toolicons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace framer {

namespace {

constexpr int Side = 32; // drawn at twice the size shown, for sharp high-dpi screens

void letter(QPainter &p, const QString &text, bool bold, bool italic, bool underline)
{
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(22);
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    p.setFont(font);
    p.drawText(QRect(0, 0, Side, Side - 2), Qt::AlignCenter, text);
}

void lines(QPainter &p, Qt::Alignment align, int left = 4)
{
    const int widths[] = {24, 16, 24, 16};
    for (int i = 0; i < 4; ++i) {
        const int width = std::min(widths[i], Side - 4 - left);
        int x = left;
        if (align == Qt::AlignHCenter)
            x = (Side - width) / 2;
        else if (align == Qt::AlignRight)
            x = Side - 4 - width;
        p.drawLine(x, 7 + i * 6, x + width, 7 + i * 6);
    }
}

void arrow(QPainter &p, bool forward)
{
    p.save();
    if (forward) {
        p.translate(Side, 0);
        p.scale(-1, 1);
    }
    QPainterPath path;
    path.moveTo(26, 26);
    path.cubicTo(28, 12, 16, 6, 8, 14);
    p.drawPath(path);
    p.drawLine(8, 14, 8, 6);
    p.drawLine(8, 14, 16, 14);
    p.restore();
}

void draw(QPainter &p, Tool tool, const QColor &colour)
{
    switch (tool) {
    case Tool::Undo:
    case Tool::Redo:
        arrow(p, tool == Tool::Redo);
        break;
    case Tool::Cut:
        p.drawEllipse(QRect(5, 20, 8, 8));
        p.drawEllipse(QRect(19, 20, 8, 8));
        p.drawLine(11, 20, 22, 4);
        p.drawLine(21, 20, 10, 4);
        break;
    case Tool::Copy:
        p.drawRect(5, 4, 14, 18);
        p.fillRect(12, 10, 15, 19, Qt::white);
        p.drawRect(12, 10, 14, 18);
        break;
    case Tool::Paste:
        p.drawRect(6, 6, 20, 23);
        p.fillRect(11, 3, 10, 6, QColor(90, 90, 90));
        lines(p, Qt::AlignLeft, 10);
        break;
    case Tool::Bold:
        letter(p, QStringLiteral("B"), true, false, false);
        break;
    case Tool::Italic:
        letter(p, QStringLiteral("I"), false, true, false);
        break;
    case Tool::Underline:
        letter(p, QStringLiteral("U"), false, false, true);
        break;
    case Tool::FontColor:
        p.save();
        p.translate(0, -4);
        letter(p, QStringLiteral("A"), true, false, false);
        p.restore();
        p.fillRect(4, 25, 24, 5, colour);
        break;
    case Tool::AlignLeft:
        lines(p, Qt::AlignLeft);
        break;
    case Tool::AlignCenter:
        lines(p, Qt::AlignHCenter);
        break;
    case Tool::AlignRight:
        lines(p, Qt::AlignRight);
        break;
    case Tool::Bullets:
    case Tool::Numbering:
        for (int i = 0; i < 3; ++i) {
            const int y = 8 + i * 8;
            if (tool == Tool::Bullets) {
                p.setBrush(p.pen().color());
                p.drawEllipse(QPoint(6, y), 2, 2);
            } else {
                QFont font = p.font();
                font.setPixelSize(8);
                p.setFont(font);
                p.drawText(QRect(1, y - 5, 10, 10), Qt::AlignCenter, QString::number(i + 1));
            }
            p.drawLine(12, y, 28, y);
        }
        break;
    case Tool::InsertTable:
        p.drawRect(4, 6, 24, 20);
        p.drawLine(4, 13, 28, 13);
        p.drawLine(4, 19, 28, 19);
        p.drawLine(12, 6, 12, 26);
        p.drawLine(20, 6, 20, 26);
        break;
    case Tool::Find:
        p.drawEllipse(QRect(5, 5, 15, 15));
        p.drawLine(18, 18, 27, 27);
        break;
    case Tool::Print:
    case Tool::PrintPreview:
        // A printer with its paper; the preview adds a lens over the page.
        p.drawRect(9, 4, 14, 8);
        p.drawRect(4, 12, 24, 10);
        p.drawRect(9, 19, 14, 9);
        if (tool == Tool::PrintPreview) {
            p.drawEllipse(QRect(17, 15, 9, 9));
            p.drawLine(24, 22, 29, 28);
        }
        break;
    default:
        break;
    }
}

} // namespace

QIcon toolIcon(Tool tool, const QColor &colour)
{
    QIcon icon;
    for (const QColor ink : {QColor(40, 40, 40), QColor(160, 160, 160)}) {
        QPixmap picture(Side, Side);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(ink, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        draw(painter, tool, colour);
        painter.end();
        icon.addPixmap(picture, ink == QColor(40, 40, 40) ? QIcon::Normal : QIcon::Disabled);
    }
    return icon;
}

} // namespace framer
