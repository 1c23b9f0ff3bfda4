#include "widgets/signature/signaturepad.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using framer::SignaturePad;

namespace {

int inkPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++count;
    return count;
}

void drawLine(SignaturePad &pad, QPoint from, QPoint to)
{
    QTest::mousePress(&pad, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(&pad, from + (to - from) * step / 10);
    QTest::mouseRelease(&pad, Qt::LeftButton, {}, to);
}

TEST(SignaturePad, strokes_giveDarkInkOnWhite_trimmedToTheStrokes)
{
    SignaturePad pad;
    pad.resize(400, 200);
    pad.show();
    EXPECT_TRUE(pad.signatureImage().isNull());
    drawLine(pad, {100, 50}, {200, 50});
    const QImage image = pad.signatureImage();
    ASSERT_FALSE(image.isNull());
    // 100 pixels of stroke plus a small margin on each side, not the whole pad.
    EXPECT_GT(image.width(), 100);
    EXPECT_LT(image.width(), 140);
    EXPECT_LT(image.height(), 40);
    EXPECT_GT(inkPixels(image), 150);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 255));
}

TEST(SignaturePad, clear_forgetsTheStrokes)
{
    SignaturePad pad;
    pad.resize(400, 200);
    drawLine(pad, {10, 10}, {90, 90});
    ASSERT_FALSE(pad.isEmpty());
    pad.clear();
    EXPECT_TRUE(pad.isEmpty());
    EXPECT_TRUE(pad.signatureImage().isNull());
}

TEST(SignatureDialog, okIsEnabledOnlyOnceSomethingIsDrawn)
{
    framer::SignatureDialog dialog;
    dialog.resize(500, 300);
    dialog.show();
    EXPECT_FALSE(dialog.okButton()->isEnabled());
    drawLine(*dialog.pad(), {20, 20}, {120, 60});
    EXPECT_TRUE(dialog.okButton()->isEnabled());
    QTest::mouseClick(dialog.clearButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.okButton()->isEnabled());
}

TEST(WriteBmpAtomically, writesAValidBmp_andReplacesAnOlderOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/Sign.bmp"));
    QImage first(30, 20, QImage::Format_RGB32);
    first.fill(Qt::white);
    QString error;
    ASSERT_TRUE(framer::writeBmpAtomically(first, path, &error)) << error.toStdString();
    QImage second(50, 10, QImage::Format_RGB32);
    second.fill(Qt::black);
    ASSERT_TRUE(framer::writeBmpAtomically(second, path, &error)) << error.toStdString();

    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "bmp");
    const QImage read = reader.read();
    EXPECT_EQ(read.size(), QSize(50, 10));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("sub"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{"Sign.bmp"});
}

TEST(WriteBmpAtomically, folderThatCannotBeMade_fails_andLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("Sign.bmp"));
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old");
    file.close();
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    QString error;
    // A file stands where the folder would have to be.
    EXPECT_FALSE(framer::writeBmpAtomically(image, old + QStringLiteral("/Sign.bmp"), &error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Sign.bmp"});
}

} // namespace
