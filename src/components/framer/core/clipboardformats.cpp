#include "core/clipboardformats.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>

using engineprotocol::ClipboardItem;

namespace framer {

namespace {

const QString PlainText = QStringLiteral("text/plain;charset=utf-8");
const QString Html = QStringLiteral("text/html");
const QString Rtf = QStringLiteral("text/rtf");
const QString Png = QStringLiteral("image/png");

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

std::unique_ptr<QMimeData> desktopClipboardContent(const QList<ClipboardItem> &items)
{
    auto content = std::make_unique<QMimeData>();
    bool any = false;
    for (const ClipboardItem &item : items) {
        if (item.data.isEmpty())
            continue;
        if (item.mimeType == PlainText) {
            content->setText(QString::fromUtf8(item.data));
        } else if (item.mimeType == Html) {
            content->setHtml(QString::fromUtf8(item.data));
        } else if (item.mimeType == Rtf) {
            content->setData(Rtf, item.data);
            content->setData(QStringLiteral("application/rtf"), item.data);
        } else if (item.mimeType == Png) {
            const QImage image = QImage::fromData(item.data, "PNG");
            if (image.isNull())
                continue;
            content->setImageData(image);
        } else {
            continue;
        }
        any = true;
    }
    return any ? std::move(content) : nullptr;
}

QList<ClipboardItem> documentClipboardContent(const QMimeData &content)
{
    QList<ClipboardItem> items;
    if (content.hasHtml())
        items.append({Html, content.html().toUtf8()});
    for (const QString &rtf : {Rtf, QStringLiteral("application/rtf")})
        if (content.hasFormat(rtf)) {
            items.append({Rtf, content.data(rtf)});
            break;
        }
    if (content.hasText())
        items.append({PlainText, content.text().toUtf8()});
    if (content.hasImage())
        if (const QImage image = qvariant_cast<QImage>(content.imageData()); !image.isNull())
            items.append({Png, png(image)});
    items.removeIf([](const ClipboardItem &item) { return item.data.isEmpty(); });
    return items;
}

} // namespace framer
