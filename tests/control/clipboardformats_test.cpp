#include "core/clipboardformats.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

using engineprotocol::ClipboardItem;

namespace {

QByteArray pngOf(const QColor &colour)
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(ClipboardFormats, documentsCopy_reachesTheDesktopAsTextRichTextAndPicture)
{
    const auto content =
        framer::desktopClipboardContent({{"text/plain;charset=utf-8", "Quillary 示例"},
                                         {"text/html", "<b>Quillary</b>"},
                                         {"text/rtf", "{\\rtf1 Quillary}"},
                                         {"image/png", pngOf(Qt::red)},
                                         {"application/x-openoffice-link", "ignored"}});
    ASSERT_NE(content, nullptr);
    EXPECT_EQ(content->text(), QStringLiteral("Quillary 示例"));
    EXPECT_EQ(content->html(), QStringLiteral("<b>Quillary</b>"));
    EXPECT_EQ(content->data("text/rtf"), QByteArray("{\\rtf1 Quillary}"));
    EXPECT_EQ(content->data("application/rtf"), QByteArray("{\\rtf1 Quillary}"));
    const QImage image = qvariant_cast<QImage>(content->imageData());
    EXPECT_EQ(image.size(), QSize(4, 3));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
}

TEST(ClipboardFormats, nothingCopied_leavesTheDesktopsClipboardAlone)
{
    EXPECT_EQ(framer::desktopClipboardContent({}), nullptr);
    EXPECT_EQ(framer::desktopClipboardContent(
                  {{"text/plain;charset=utf-8", ""}, {"image/png", "not a picture"}}),
              nullptr);
}

TEST(ClipboardFormats, desktopsContent_goesToTheDocumentRichestFirst)
{
    QMimeData content;
    content.setText(QStringLiteral("纯文本"));
    content.setHtml(QStringLiteral("<i>rich</i>"));
    content.setData(QStringLiteral("application/rtf"), "{\\rtf1 x}");
    EXPECT_EQ(
        framer::documentClipboardContent(content),
        (QList<ClipboardItem>{{"text/html", "<i>rich</i>"},
                              {"text/rtf", "{\\rtf1 x}"},
                              {"text/plain;charset=utf-8", QStringLiteral("纯文本").toUtf8()}}));

    QMimeData picture;
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::blue);
    picture.setImageData(image);
    const QList<ClipboardItem> items = framer::documentClipboardContent(picture);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].mimeType, QStringLiteral("image/png"));
    EXPECT_EQ(QImage::fromData(items[0].data, "PNG").pixelColor(1, 1), QColor(Qt::blue));

    EXPECT_TRUE(framer::documentClipboardContent(QMimeData()).isEmpty());
}

} // namespace
