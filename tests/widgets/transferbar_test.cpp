#include "widgets/transfer/transferbar.h"

#include <QWidget>

#include <gtest/gtest.h>

TEST(TransferBar, showsTheAddressAndTheBytes_acrossTheTopOfWhatItOverlays)
{
    QWidget view;
    view.resize(640, 400);
    framer::TransferBar bar(&view);
    view.show();
    EXPECT_FALSE(bar.isVisible());
    bar.start(QStringLiteral("正在下载"), QStringLiteral("http://h/f1.doc"));
    EXPECT_TRUE(bar.isVisible());
    bar.setProgress(512 * 1024, 2 * 1024 * 1024);
    EXPECT_TRUE(bar.text().startsWith(QStringLiteral("正在下载 http://h/f1.doc")))
        << bar.text().toStdString();
    EXPECT_TRUE(bar.text().contains(QStringLiteral("512"))) << bar.text().toStdString();
    EXPECT_EQ(bar.geometry().topLeft(), QPoint(0, 0));
    view.resize(800, 400);
    EXPECT_EQ(bar.width(), 800);
}
