#include "showncontrol.h"

#include "core/controlfailure.h"
#include "core/printing.h"
#include "core/tools.h"
#include "widgets/tools/findbar.h"
#include "widgets/tools/printpreview.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

// One control, and so one engine, for the suite; each test opens a fresh document.
class ToolBarTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_shown = new ShownControl; }
    static void TearDownTestSuite() { delete s_shown; }
    void SetUp() override
    {
        s_shown->control.closeDocument();
        s_shown->control.setProtected(false);
    }

    static ShownControl &shown() { return *s_shown; }
    static QAction *tool(framer::Tool tool) { return shown().toolBar().action(tool); }
    static bool isBold(const QByteArray &documentXml) { return documentXml.contains("<w:b/>"); }

    static ShownControl *s_shown;
};

ShownControl *ToolBarTest::s_shown = nullptr;

// The height of the first line of text in the view: the rows from the top of its tallest
// letter to the bottom of its lowest, where at least three pixels are dark (the caret is two).
int firstLineHeight(const QImage &view)
{
    int top = -1;
    for (int y = 0; y < view.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < view.width(); ++x)
            dark += qGray(view.pixel(x, y)) < 100 ? 1 : 0;
        if (dark >= 3 && top < 0)
            top = y;
        else if (dark < 3 && top >= 0)
            return y - top;
    }
    return 0;
}

int drawnLineHeight(ShownControl &shown)
{
    QSignalSpy drawn(&shown.view(), &framer::DocumentView::caughtUp);
    EXPECT_TRUE(drawn.wait(20000) || drawn.count() > 0);
    return firstLineHeight(shown.view().viewport()->grab().toImage());
}

TEST_F(ToolBarTest, boldPressedOnASelection_isInTheSavedDocx)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    ASSERT_FALSE(isBold(shown().savedDocxXml()));
    shown().keys(Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return !shown().selectedText().isEmpty(); }));
    shown().click(QStringLiteral("加粗"));
    ASSERT_TRUE(eventually([&] { return tool(framer::Tool::Bold)->isChecked(); }));
    const QByteArray saved = shown().savedDocxXml();
    EXPECT_TRUE(isBold(saved));
    EXPECT_TRUE(saved.contains("Quillary sample page two."));
}

// The host window's shortcuts (the demo's Ctrl+E exits, Ctrl+R opens an address, Ctrl+Y closes,
// F1 opens help) never take the keys the document uses while it has the keyboard.
TEST_F(ToolBarTest, documentKeys_reachTheDocument_beforeTheHostWindowsShortcuts)
{
    QStringList fired;
    std::vector<std::unique_ptr<QAction>> host;
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL | Qt::Key_E), QKeySequence(Qt::CTRL | Qt::Key_R),
          QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::Key_F1)}) {
        auto action = std::make_unique<QAction>();
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        QObject::connect(action.get(), &QAction::triggered,
                         [&fired, keys] { fired << keys.toString(); });
        shown().control.addAction(action.get());
        host.push_back(std::move(action));
    }
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));

    shown().keys(Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return tool(framer::Tool::AlignCenter)->isChecked(); }));
    shown().keys(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return tool(framer::Tool::AlignRight)->isChecked(); }));
    shown().keys(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return tool(framer::Tool::AlignCenter)->isChecked(); }));
    shown().keys(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(eventually([&] { return tool(framer::Tool::AlignRight)->isChecked(); }));
    EXPECT_TRUE(fired.isEmpty()) << fired.join(' ').toStdString();
    EXPECT_TRUE(shown().control.hasDocument());

    // Function keys stay the host's, and so does every key when the keyboard is elsewhere.
    shown().keys(Qt::Key_F1);
    QPushButton elsewhere(QStringLiteral("elsewhere"), &shown().control);
    elsewhere.show();
    elsewhere.setFocus();
    QTest::keyClick(&elsewhere, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(fired, (QStringList{QStringLiteral("F1"), QStringLiteral("Ctrl+E")}));
}

QString pdfText(const QString &pdf, int *pages)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(30000);
    const QRegularExpression count(QStringLiteral("Pages:\\s+(\\d+)"));
    *pages = count.match(QString::fromUtf8(info.readAllStandardOutput())).captured(1).toInt();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    text.waitForFinished(30000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

// Printing lays the pages out in the engine and hands them on as PDF: the chosen pages, with
// their text as text; the preview shows the same pages; a queue CUPS does not know is refused.
TEST_F(ToolBarTest, print_theChosenPagesAsText_previewShowsThem_unknownPrinterRefused)
{
    QTemporaryDir out;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(out.filePath(QStringLiteral("printed.pdf")));
    EXPECT_FALSE(shown().control.print(&printer)) << "nothing to print without a document";

    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    EXPECT_TRUE(tool(framer::Tool::Print)->isEnabled());
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 2);
    // A sign of life while the pages are laid out, whatever their number.
    QSignalSpy activity(&shown().control, &quillary::DocumentControl::transferProgress);
    ASSERT_TRUE(shown().control.print(&printer))
        << shown().control.lastError().message.toStdString();
    ASSERT_FALSE(activity.isEmpty());
    EXPECT_EQ(activity.first().at(1).toLongLong(), -1);
    int pages = 0;
    const QString text = pdfText(printer.outputFileName(), &pages);
    EXPECT_EQ(pages, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("Quillary sample page two."))) << text.toStdString();

    // 取消 on the bar while the pages are laid out: no file, no failure, and the next job works.
    QTimer cancel;
    cancel.setInterval(1);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        auto *button = qobject_cast<QPushButton *>(shown().named(QStringLiteral("取消")));
        if (button && button->isVisible()) {
            cancel.stop();
            button->click();
        }
    });
    cancel.start();
    QSignalSpy failures(&shown().control, &quillary::DocumentControl::errorOccurred);
    printer.setOutputFileName(out.filePath(QStringLiteral("cancelled.pdf")));
    EXPECT_FALSE(shown().control.print(&printer));
    EXPECT_FALSE(cancel.isActive()) << "no 取消 was offered";
    EXPECT_EQ(shown().control.lastError().code, quillary::ControlError::NotApplied);
    EXPECT_TRUE(shown().control.lastError().message.contains(QStringLiteral("已取消打印")));
    EXPECT_TRUE(failures.isEmpty());
    printer.setOutputFileName(out.filePath(QStringLiteral("again.pdf")));
    ASSERT_TRUE(shown().control.print(&printer))
        << shown().control.lastError().message.toStdString();
    EXPECT_TRUE(QFile::exists(printer.outputFileName()));
    EXPECT_FALSE(QFile::exists(out.filePath(QStringLiteral("cancelled.pdf"))));

    // The preview runs its own loop: it is answered once it is up.
    int previewPages = 0;
    QTimer answer;
    answer.setInterval(20);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *preview = qobject_cast<framer::PrintPreview *>(QApplication::activeModalWidget());
        if (!preview)
            return;
        answer.stop();
        previewPages = preview->pageCount();
        preview->reject();
    });
    answer.start();
    shown().click(QStringLiteral("打印预览"));
    EXPECT_TRUE(eventually([&] { return !answer.isActive(); }));
    EXPECT_EQ(previewPages, 2);

    // A queue that is gone by the time the pages reach CUPS (Qt itself would swap a printer
    // it does not know for the default one).
    framer::PrintJob gone;
    gone.printer = QStringLiteral("no-such-queue");
    gone.title = QStringLiteral("sample.docx");
    try {
        framer::submitToCups(printer.outputFileName(), gone);
        ADD_FAILURE() << "a job went to a queue CUPS does not know";
    } catch (const framer::ControlFailure &failure) {
        EXPECT_TRUE(failure.error.message.startsWith(QStringLiteral("无法打印")))
            << failure.error.message.toStdString();
    }
}

// A real queue: CUPS with cups-pdf, as scripts/cups-pdf-queue.sh sets it up. The job goes
// through the scheduler and the PDF it writes has the document's pages and text.
TEST_F(ToolBarTest, printedToACupsPdfQueue_theQueuesFileHasEveryPageWithItsText)
{
    const QString queueName = QStringLiteral("QuillaryPDF");
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-p"), queueName});
    if (!lpstat.waitForFinished(10000) || lpstat.exitCode() != 0)
        GTEST_SKIP() << "no CUPS queue " << queueName.toStdString()
                     << " (scripts/cups-pdf-queue.sh sets one up): not printed";
    const passwd *account = ::getpwuid(::getuid());
    ASSERT_NE(account, nullptr);
    const QDir output(QStringLiteral("/var/spool/cups-pdf/") +
                      QString::fromLocal8Bit(account->pw_name));
    const QStringList before = output.entryList({QStringLiteral("*.pdf")}, QDir::Files);

    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    shown().keys(Qt::Key_End, Qt::ControlModifier);
    shown().keys(Qt::Key_Return, Qt::ControlModifier); // a page break: three pages
    QTest::keyClicks(&shown().view(), QStringLiteral("Quillary page three."));
    shown().settle();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(queueName);
    ASSERT_EQ(printer.outputFormat(), QPrinter::NativeFormat);
    ASSERT_TRUE(shown().control.print(&printer))
        << shown().control.lastError().message.toStdString();

    QString printed;
    ASSERT_TRUE(eventually(
        [&] {
            const QStringList now = output.entryList({QStringLiteral("*.pdf")}, QDir::Files);
            for (const QString &name : now)
                if (!before.contains(name))
                    printed = output.filePath(name);
            // cups-pdf writes the file in place: it is whole once it ends with its trailer.
            QFile file(printed);
            return file.open(QIODevice::ReadOnly) && file.size() > 5 &&
                   file.readAll().trimmed().endsWith("%%EOF");
        },
        60000))
        << "nothing arrived in " << output.path().toStdString();
    int pages = 0;
    const QString text = pdfText(printed, &pages);
    EXPECT_EQ(pages, 3);
    for (const char *line :
         {"Quillary sample page one", "Quillary sample page two.", "Quillary page three."})
        EXPECT_TRUE(text.contains(QLatin1String(line))) << line << "\n" << text.toStdString();
    QFile::remove(printed);
}

TEST_F(ToolBarTest, sizeColourAndTable_chosenInTheToolBar_areInTheSavedDocx)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    shown().keys(Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(eventually([&] { return !shown().selectedText().isEmpty(); }));
    shown().enter(QStringLiteral("字号"), QStringLiteral("16"));
    shown().click(QStringLiteral("字体颜色")); // red until another is chosen
    shown().keys(Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(shown().choose(QStringLiteral("插入表格"), QStringLiteral("3 行 × 4 列")));

    const QByteArray saved = shown().savedDocxXml();
    EXPECT_TRUE(saved.contains("<w:sz w:val=\"32\"/>")) << "16 points are 32 half points";
    EXPECT_TRUE(saved.contains("<w:color w:val=\"FF0000\"/>"));
    EXPECT_EQ(saved.count("<w:tbl>"), 1);
    EXPECT_EQ(saved.count("<w:tr>") + saved.count("<w:tr "), 3);
    EXPECT_EQ(saved.count("<w:gridCol "), 4);
}

TEST_F(ToolBarTest, boldState_followsTheCursor_intoBoldAndPlainText)
{
    ASSERT_TRUE(shown().open(QStringLiteral("styled.fodt")));
    QAction *bold = tool(framer::Tool::Bold);
    ASSERT_TRUE(eventually([&] { return bold->isChecked(); }));
    shown().keys(Qt::Key_Down);
    ASSERT_TRUE(eventually([&] { return !bold->isChecked(); }));
    shown().keys(Qt::Key_Up);
    ASSERT_TRUE(eventually([&] { return bold->isChecked(); }));
    EXPECT_TRUE(bold->isEnabled());
    EXPECT_EQ(shown().named(QStringLiteral("字体")) != nullptr, true);
}

TEST_F(ToolBarTest, zoom_changesTheDrawnScale_fromTheToolBar_andFromCtrlWheel)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    // The caret on the first line keeps its place as the zoom changes.
    shown().keys(Qt::Key_End);
    shown().keys(Qt::Key_Home);
    QWidget &view = shown().view();
    ASSERT_TRUE(eventually([&] {
        return view.inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < view.width() / 2;
    }));
    shown().enter(QStringLiteral("缩放"), QStringLiteral("100%"));
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(100));
    const int actual = drawnLineHeight(shown());
    ASSERT_GT(actual, 8);

    shown().enter(QStringLiteral("缩放"), QStringLiteral("200%"));
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(200));
    EXPECT_NEAR(drawnLineHeight(shown()) / double(actual), 2.0, 0.25);

    // Two notches towards the user over the first line: 200% to 175% to 150%.
    QWidget *viewport = shown().view().viewport();
    const QPoint over(viewport->width() / 3, 40);
    for (int notch = 0; notch < 2; ++notch) {
        QWheelEvent wheel(over, viewport->mapToGlobal(over), {}, QPoint(0, -120), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    }
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(150));
    EXPECT_NEAR(drawnLineHeight(shown()) / double(actual), 1.5, 0.2);
    EXPECT_EQ(qobject_cast<QComboBox *>(shown().named(QStringLiteral("缩放")))->currentText(),
              QStringLiteral("150%"));
}

TEST_F(ToolBarTest, zoomBox_takesAnyPercentTyped_andShowsTheZoomAgainAfterNonsense)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    auto *box = qobject_cast<QComboBox *>(shown().named(QStringLiteral("缩放")));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), QStringLiteral("适合宽度"));
    shown().enter(QStringLiteral("缩放"), QStringLiteral("130"));
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(130));
    EXPECT_EQ(box->currentText(), QStringLiteral("130%"));
    shown().enter(QStringLiteral("缩放"), QStringLiteral("big"));
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(130));
    EXPECT_EQ(box->currentText(), QStringLiteral("130%"));
    shown().keys(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(125));
}

TEST_F(ToolBarTest, find_selectsTheNextMatchInView_andReportsNoneAtTheEnd)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    shown().keys(Qt::Key_F, Qt::ControlModifier);
    auto *status = qobject_cast<QLabel *>(shown().named(QStringLiteral("查找结果")));
    ASSERT_NE(status, nullptr) << "Ctrl+F opens the find bar";
    QScrollBar *scroll = shown().view().verticalScrollBar();
    QSignalSpy searched(&shown().actions(), &framer::ToolActions::searched);

    shown().enter(QStringLiteral("查找内容"), QStringLiteral("sample"));
    ASSERT_TRUE(eventually([&] { return searched.count() == 1; }));
    EXPECT_EQ(shown().selectedText(), QStringLiteral("sample"));
    const int firstMatch = scroll->value();

    shown().enter(QStringLiteral("查找内容"), QStringLiteral("sample"));
    ASSERT_TRUE(eventually([&] { return searched.count() == 2; }));
    EXPECT_EQ(shown().selectedText(), QStringLiteral("sample"));
    EXPECT_GT(scroll->value(), firstMatch) << "the match on page two is scrolled into view";
    EXPECT_TRUE(status->text().isEmpty());

    shown().enter(QStringLiteral("查找内容"), QStringLiteral("sample"));
    ASSERT_TRUE(eventually([&] { return searched.count() == 3; }));
    EXPECT_EQ(status->text(), QStringLiteral("未找到"));
    EXPECT_EQ(shown().selectedText(), QStringLiteral("sample")) << "the last match stays";
    EXPECT_GT(scroll->value(), firstMatch);

    shown().enter(QStringLiteral("查找内容"), QStringLiteral("absent words"));
    ASSERT_TRUE(eventually([&] { return searched.count() == 4; }));
    EXPECT_EQ(status->text(), QStringLiteral("未找到"));
}

TEST_F(ToolBarTest, protectedDocument_refusesToolBarEdits_butCopiesAndFinds)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    ASSERT_TRUE(shown().control.setProtected(true));
    shown().keys(Qt::Key_A, Qt::ControlModifier);
    // The selection makes LibreOffice report cut and bold as possible: they stay off.
    ASSERT_TRUE(eventually([&] { return !shown().selectedText().isEmpty(); }));
    shown().settle();
    for (const framer::ToolInfo &info : framer::toolTable())
        EXPECT_EQ(tool(info.tool)->isEnabled(), !info.edits) << info.name.toStdString();
    shown().click(QStringLiteral("加粗"));
    shown().keys(Qt::Key_B, Qt::ControlModifier);
    shown().keys(Qt::Key_X, Qt::ControlModifier);
    EXPECT_FALSE(isBold(shown().savedDocxXml()));
    EXPECT_TRUE(shown().savedText().contains(QStringLiteral("Quillary sample page one")));

    shown().click(QStringLiteral("复制"));
    ASSERT_TRUE(eventually([&] {
        return QGuiApplication::clipboard()->text().contains(QStringLiteral("sample page two"));
    }));
    // Moving the cursor works too: back to the start, seen there, and find from there.
    shown().keys(Qt::Key_Home, Qt::ControlModifier);
    QWidget &view = shown().view();
    ASSERT_TRUE(eventually(
        [&] { return view.inputMethodQuery(Qt::ImCursorRectangle).toRect().top() < 150; }));
    shown().click(QStringLiteral("查找"));
    QSignalSpy searched(&shown().actions(), &framer::ToolActions::searched);
    shown().enter(QStringLiteral("查找内容"), QStringLiteral("page"));
    ASSERT_TRUE(eventually([&] { return searched.count() == 1; }));
    EXPECT_TRUE(searched.first().at(0).toBool());
}

TEST_F(ToolBarTest, inputMethodsPreedit_showsAtTheCursor_andItsCommitIsTypedOnce)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    QWidget *viewport = shown().view().viewport();
    const QImage before = viewport->grab().toImage();
    QInputMethodEvent preedit(QStringLiteral("zhongwen"), {});
    QApplication::sendEvent(&shown().view(), &preedit);
    ASSERT_TRUE(eventually([&] { return viewport->grab().toImage() != before; }));

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中文"));
    QApplication::sendEvent(&shown().view(), &commit);
    const QString text = shown().savedText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("中文Quillary sample page one")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("zhongwen")));
}

TEST_F(ToolBarTest, spreadsheetsAndSlides_getTheToolsThatApply)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.xlsx")));
    EXPECT_EQ(shown().named(QStringLiteral("项目符号")), nullptr);
    EXPECT_EQ(shown().named(QStringLiteral("插入表格")), nullptr);
    EXPECT_NE(shown().named(QStringLiteral("加粗")), nullptr);
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::at(100));
    shown().click(QStringLiteral("居中"));
    ASSERT_TRUE(eventually([&] { return tool(framer::Tool::AlignCenter)->isChecked(); }));

    ASSERT_TRUE(shown().open(QStringLiteral("sample.pptx")));
    EXPECT_NE(shown().named(QStringLiteral("项目符号")), nullptr);
    EXPECT_NE(shown().named(QStringLiteral("插入表格")), nullptr);
    EXPECT_EQ(shown().control.zoom(), quillary::Zoom::fitWidth());
}

TEST_F(ToolBarTest, everyToolInReachOnTwoRows_hiddenThroughTheApiLeavesTheDocumentTheWholeControl)
{
    ASSERT_TRUE(shown().open(QStringLiteral("sample.docx")));
    EXPECT_TRUE(shown().control.isToolBarVisible());
    // No button of a text document's goes behind the bar's overflow in a window this narrow.
    for (const framer::ToolInfo &info : framer::toolTable())
        if (framer::isReviewTool(info.tool) || info.tool == framer::Tool::PrintPreview)
            EXPECT_NE(shown().named(info.name), nullptr) << info.name.toStdString();
    const int withBar = shown().view().height();
    shown().control.setToolBarVisible(false);
    EXPECT_FALSE(shown().control.isToolBarVisible());
    EXPECT_EQ(shown().named(QStringLiteral("加粗")), nullptr);
    EXPECT_EQ(shown().named(QStringLiteral("接受")), nullptr);
    ASSERT_TRUE(eventually([&] { return shown().view().height() > withBar; }));
    EXPECT_EQ(shown().view().height(), shown().control.height());
    shown().control.setToolBarVisible(true);
    ASSERT_TRUE(eventually([&] { return shown().view().height() == withBar; }));
}

} // namespace
