#include "showncontrol.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// The control and the desktop's clipboard on a real X server, read and written by another
// program (xclip) as well as through Qt.
namespace {

// What another program reads from the clipboard as target; our event loop answers meanwhile.
QString readByXclip(const QString &target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                 QStringLiteral("-t"), target});
    QSignalSpy finished(&xclip, &QProcess::finished);
    EXPECT_TRUE(finished.wait(20000)) << "xclip did not finish";
    return QString::fromUtf8(xclip.readAllStandardOutput());
}

// Another program takes the clipboard with text, and serves it until it loses it.
void offerByXclip(const QString &text)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-i"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
    xclip.write(text.toUtf8());
    xclip.closeWriteChannel();
    // xclip goes into the background to serve the selection; the one started here returns.
    QSignalSpy finished(&xclip, &QProcess::finished);
    EXPECT_TRUE(finished.wait(20000));
}

class DesktopClipboardTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_shown = new ShownControl; }
    static void TearDownTestSuite()
    {
        // An xclip still serving the clipboard ends when it loses it.
        QGuiApplication::clipboard()->setText(QStringLiteral("end"));
        delete s_shown;
    }
    static ShownControl &shown() { return *s_shown; }
    static ShownControl *s_shown;
};

ShownControl *DesktopClipboardTest::s_shown = nullptr;

TEST_F(DesktopClipboardTest, copyInTheDocument_isWhatOtherProgramsRead_asTextAndHtml)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    QGuiApplication::clipboard()->setText(QStringLiteral("older"));
    shown().keys(Qt::Key_A, Qt::ControlModifier);
    shown().keys(Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] {
        return QGuiApplication::clipboard()->text().contains(
            QStringLiteral("Quillary sample page one"));
    }));
    EXPECT_TRUE(readByXclip(QStringLiteral("UTF8_STRING")).contains("Quillary sample page two."));
    EXPECT_TRUE(readByXclip(QStringLiteral("text/html")).contains("Quillary sample page one"));
}

TEST_F(DesktopClipboardTest, pasteInTheDocument_insertsWhatAnotherProgramCopied)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    offerByXclip(QStringLiteral("桌面上的文字 "));
    ASSERT_TRUE(eventually(
        [&] { return QGuiApplication::clipboard()->text() == QStringLiteral("桌面上的文字 "); }));
    shown().keys(Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] {
        return shown().savedText().startsWith(
            QStringLiteral("桌面上的文字 Quillary sample page one"));
    }));
}

TEST_F(DesktopClipboardTest, rightClick_offersCutCopyAndPaste_andItsCopyReachesTheDesktop)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    QGuiApplication::clipboard()->setText(QStringLiteral("older"));
    shown().keys(Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return !shown().selectedText().isEmpty(); }));

    // The menu runs its own loop; it is read and answered once it is up.
    QStringList offered;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        answer.stop();
        for (QAction *action : menu->actions())
            offered << action->text();
        menu->actions().value(offered.indexOf(QStringLiteral("复制")))->trigger();
        menu->close();
    });
    answer.start();
    // A right click as the X server delivers it, pointer and all.
    QWidget *viewport = shown().view().viewport();
    const QPoint at = viewport->mapToGlobal(QPoint(viewport->width() / 2, 60));
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                   QStringLiteral("click"), QStringLiteral("3")});
    ASSERT_TRUE(eventually([&] { return offered == (QStringList{"剪切", "复制", "粘贴"}); }));
    ASSERT_TRUE(eventually([&] {
        return QGuiApplication::clipboard()->text().contains(
            QStringLiteral("Quillary sample page one"));
    }));
    EXPECT_TRUE(eventually([&] { return xdotool.state() == QProcess::NotRunning; }));
}

} // namespace
