#include "pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace quillary::pictures {
namespace {

const QColor sealRed(204, 17, 17);

QPainterPath star(QPointF centre, qreal outer, qreal inner)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal radius = i % 2 == 0 ? outer : inner;
        const qreal angle = qDegreesToRadians(-90.0 + i * 36.0);
        const QPointF point(centre.x() + radius * qCos(angle), centre.y() + radius * qSin(angle));
        if (i == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

QFont cjkFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

QImage drawSeal(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size / 2.0, size / 2.0);
    const qreal ring = size * 0.045;

    painter.setPen(QPen(sealRed, ring));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, size / 2.0 - ring, size / 2.0 - ring);

    painter.setPen(Qt::NoPen);
    painter.setBrush(sealRed);
    painter.drawPath(star(centre, size * 0.14, size * 0.055));

    // The title runs clockwise along the upper arc, one glyph at a time.
    const QString arcText = QStringLiteral("QUILLARY文档控件演示");
    painter.setFont(cjkFont(qRound(size * 0.10), true));
    painter.setPen(sealRed);
    const qreal textRadius = size / 2.0 - ring * 2.0 - size * 0.06;
    const qreal sweep = 220.0;
    for (int i = 0; i < arcText.size(); ++i) {
        const qreal angle = -90.0 - sweep / 2 + sweep * (i + 0.5) / arcText.size();
        painter.save();
        painter.translate(centre);
        painter.rotate(angle + 90.0);
        painter.translate(0, -textRadius);
        const QRectF cell(-size * 0.06, -size * 0.06, size * 0.12, size * 0.12);
        painter.drawText(cell, Qt::AlignCenter, arcText.mid(i, 1));
        painter.restore();
    }

    painter.setFont(cjkFont(qRound(size * 0.11), true));
    const QRectF bottom(0, size * 0.64, size, size * 0.14);
    painter.drawText(bottom, Qt::AlignCenter, QStringLiteral("演示专用章"));
    painter.end();
    return image;
}

QImage drawBanner(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0.0, QColor(20, 70, 150));
    gradient.setColorAt(1.0, QColor(60, 150, 210));
    painter.fillRect(image.rect(), gradient);

    painter.setPen(QColor(255, 255, 255, 60));
    for (int x = -height; x < width; x += 24)
        painter.drawLine(x, height, x + height, 0);

    painter.setPen(Qt::white);
    painter.setFont(cjkFont(height / 5, true));
    painter.drawText(QRectF(0, height * 0.18, width, height * 0.34), Qt::AlignCenter,
                     QStringLiteral("Quillary 文档控件"));
    painter.setFont(cjkFont(height / 11, false));
    painter.drawText(QRectF(0, height * 0.56, width, height * 0.2), Qt::AlignCenter,
                     QStringLiteral("远程图片插入演示 · Remote picture"));
    painter.end();
    return image;
}

IndexedImage toTransparentIndexed(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    IndexedImage out;
    out.width = image.width();
    out.height = image.height();
    out.transparentIndex = 0;
    out.palette.push_back(Rgb{255, 255, 255});
    // Opaque shades from the seal colour towards a lighter red, for softer edges.
    constexpr int shades = 15;
    for (int i = 0; i < shades; ++i) {
        const double t = i / double(shades);
        out.palette.push_back(
            Rgb{static_cast<std::uint8_t>(sealRed.red() + (255 - sealRed.red()) * t),
                static_cast<std::uint8_t>(sealRed.green() + (255 - sealRed.green()) * t),
                static_cast<std::uint8_t>(sealRed.blue() + (255 - sealRed.blue()) * t)});
    }
    out.pixels.reserve(static_cast<std::size_t>(out.width) * out.height);
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha < 128) {
                out.pixels.push_back(0);
                continue;
            }
            // Partly covered pixels get a lighter shade, as the ink would be thinner there.
            const int shade = (255 - alpha) * shades / 128;
            out.pixels.push_back(static_cast<std::uint8_t>(1 + std::min(shade, shades - 1)));
        }
    }
    return out;
}

} // namespace quillary::pictures
