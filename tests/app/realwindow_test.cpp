// The main window and its dialogs on a real X server under a window manager: what the window
// manager shows as captions, and the document control sized from the framed window.
#include "formfixture.h"

#include "dialog.h"
#include "frmabout.h"
#include "messagebox.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

namespace {

// A window property as the window manager reads it, through xprop.
QString windowProperty(QWidget *window, const char *property)
{
    QProcess xprop;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(env);
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-notype"), QStringLiteral("-id"), QString::number(window->winId()),
                 QString::fromLatin1(property)});
    xprop.waitForFinished();
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype open = out.indexOf(QLatin1Char('"'));
    return open < 0 ? out : out.mid(open + 1, out.lastIndexOf(QLatin1Char('"')) - open - 1);
}

void expectCaption(QWidget *window, const QString &caption)
{
    EXPECT_EQ(windowProperty(window, "_NET_WM_NAME").toStdString(), caption.toStdString());
    EXPECT_EQ(windowProperty(window, "WM_NAME").toStdString(), caption.toStdString());
}

class RealWindowTest : public FormTest
{
protected:
    RealWindowTest()
    {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // Runs the check on the modal window the next action opens, then closes it.
    void onModal(std::function<void(QWidget *)> check)
    {
        QTimer::singleShot(0, [check] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !QTest::qWaitForWindowExposed(modal)) {
                ADD_FAILURE() << "no modal window came up";
                return;
            }
            check(modal);
            modal->hide();
        });
    }
};

} // namespace

TEST_F(RealWindowTest, captions_reachTheWindowManagerExactlyAsQuoted)
{
    expectCaption(form.get(), QStringLiteral("Quillary控件本地打开远程Word、Excel、PPT和WPS示例"));

    onModal([](QWidget *dialog) { expectCaption(dialog, QStringLiteral("输入Office文档的网址")); });
    form->mnuOpenRemote->trigger();

    onModal([](QWidget *box) { expectCaption(box, QStringLiteral("关于 Quillary控件")); });
    form->mnuAbout->trigger();

    platform::QtMessageSink sink(form.get());
    onModal([](QWidget *box) { expectCaption(box, QStringLiteral("Quillary控件")); });
    sink.MsgBox(QStringLiteral("请先新建或打开文档！"), platform::vbOKOnly);
}

TEST_F(RealWindowTest, shortMessage_leavesTheTitleBarRoomForTheWholeCaption)
{
    platform::QtMessageSink sink(form.get());
    int width = 0;
    int caption = 0;
    onModal([&](QWidget *box) {
        width = box->width();
        caption = box->fontMetrics().horizontalAdvance(box->windowTitle());
    });
    sink.MsgBox(QStringLiteral("远程保存成功！"), platform::vbOKOnly);
    // The icon and the three buttons of the title bar take about 100 pixels beside it.
    EXPECT_GE(width, caption + 100) << "caption " << caption;
}

TEST_F(RealWindowTest, firstResize_sizesTheControlFromTheFramedOuterSize)
{
    // The frame comes from the window manager after the window is first shown.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form->frameGeometry().size() != form->geometry().size(); }));
    const QSize outer = form->frameGeometry().size();
    const QSize expected(qRound((outer.width() * 15.0f - 4100.0f) / 15.0f),
                         qRound((outer.height() * 15.0f - 900.0f) / 15.0f));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->Quillary1->size() == expected; }))
        << "outer " << outer.width() << "x" << outer.height() << ", control "
        << form->Quillary1->width() << "x" << form->Quillary1->height();
}
