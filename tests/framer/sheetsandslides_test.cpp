#include "api/documentcontrol_p.h"
#include "core/documentmodel.h"
#include "hostedcontrol.h"
#include "testdocuments.h"
#include "widgets/sheets/formulabar.h"
#include "widgets/sheets/headerbar.h"
#include "widgets/sheets/sheetheaders.h"
#include "widgets/slides/slidepanel.h"
#include "widgets/view/documentview.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using framer::HeaderBar;
using framer::HeaderSection;

namespace {

constexpr int WaitMs = 30000;

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// How much of each third of an image, left to right, is dark.
std::array<double, 3> darkThirds(const QImage &image)
{
    std::array<int, 3> dark{};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 64)
                ++dark[std::min(2, 3 * x / image.width())];
    const double third = std::max(1.0, image.width() * image.height() / 3.0);
    return {dark[0] / third, dark[1] / third, dark[2] / third};
}

// Which third of an image is the dark one; -1 when not exactly one is.
int darkThird(const QImage &image)
{
    const auto thirds = darkThirds(image);
    int found = -1;
    for (int i = 0; i < 3; ++i) {
        if (thirds[i] > 0.5 && found >= 0)
            return -1;
        if (thirds[i] > 0.5)
            found = i;
        else if (thirds[i] > 0.1)
            return -1;
    }
    return found;
}

std::optional<HeaderSection> section(const HeaderBar &bar, const QString &label)
{
    for (const HeaderSection &s : bar.sections())
        if (s.label == label)
            return s;
    return std::nullopt;
}

// One control, and so one engine, for the suite.
class SheetsAndSlidesTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        s_control = new HostedControl(testOptions(), s_dir->filePath(QStringLiteral("drive_c")));
    }
    static void TearDownTestSuite()
    {
        delete s_control;
        delete s_dir;
    }

    static quillary::DocumentControl &control() { return s_control->widget; }
    static framer::DocumentView &view() { return s_control->view(); }
    static quillary::DocumentControlPrivate &parts()
    {
        return *quillary::DocumentControlPrivate::get(&control());
    }
    static framer::FormulaBar &formulaBar() { return *parts().formulaBar; }
    static HeaderBar &columns() { return *parts().sheetHeaders->columnBar(); }
    static HeaderBar &rows() { return *parts().sheetHeaders->rowBar(); }
    static framer::SlidePanel &slidePanel() { return *parts().slides; }
    // What a screen reader reads of a header bar: its role and the labels in sight.
    static QString spoken(QWidget &widget, QAccessible::Role role)
    {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&widget);
        if (!accessible || accessible->role() != role)
            return QStringLiteral("<not a header>");
        return accessible->text(QAccessible::Value);
    }

    static void open(const QString &name)
    {
        const QString path = s_dir->filePath(name);
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(testdocuments::path(name), path));
        ASSERT_TRUE(control().open(path)) << control().lastError().message.toStdString();
    }
    static void waitForHeaders()
    {
        ASSERT_TRUE(
            QTest::qWaitFor([] { return section(columns(), "A") && section(rows(), "1"); }, WaitMs))
            << "no headers drawn";
    }
    // Clicks the cell under the column and row headers labelled so, as a user aims at it.
    static void clickCell(const QString &column, const QString &row)
    {
        const auto x = section(columns(), column);
        const auto y = section(rows(), row);
        ASSERT_TRUE(x && y) << "no header " << column.toStdString() << row.toStdString();
        QTest::mouseClick(view().viewport(), Qt::LeftButton, {},
                          QPoint((x->start + x->end) / 2, (y->start + y->end) / 2));
    }
    static bool showsCell(const QString &address, const QString &content)
    {
        return formulaBar().addressBox()->text() == address &&
               formulaBar().formulaEdit()->text() == content;
    }
    // Types into a line edit of the bar as a user does: click, select all, type, Enter.
    static void typeInto(QLineEdit *edit, const QString &text)
    {
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    static void wheel(QPoint angle)
    {
        QWidget *target = view().viewport();
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent event(at, target->mapToGlobal(at), {}, angle, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline HostedControl *s_control = nullptr;
};

TEST_F(SheetsAndSlidesTest, spreadsheet_hasLetteredColumnsAndNumberedRows_overItsCells)
{
    open(QStringLiteral("figures.xlsx"));
    waitForHeaders();
    EXPECT_TRUE(spoken(columns(), QAccessible::ColumnHeader).startsWith("A B C D E"))
        << spoken(columns(), QAccessible::ColumnHeader).toStdString();
    EXPECT_TRUE(spoken(rows(), QAccessible::RowHeader).startsWith("1 2 3 4 5"))
        << spoken(rows(), QAccessible::RowHeader).toStdString();
    EXPECT_TRUE(formulaBar().isVisible());
    EXPECT_FALSE(slidePanel().isVisible());

    // The headers sit exactly over the cells: the current cell starts where its headers do.
    clickCell("B", "3");
    ASSERT_TRUE(QTest::qWaitFor([] { return showsCell("B3", "30"); }, WaitMs))
        << formulaBar().addressBox()->text().toStdString();
    const QRect cell = view().grid().toViewport(view().cursorTwips(), view().scrollPosition());
    EXPECT_NEAR(section(columns(), "B")->start, cell.left(), 1)
        << "scrolled to " << view().scrollPosition().x() << ", A from "
        << section(columns(), "A")->start << " to " << section(columns(), "A")->end;
    EXPECT_NEAR(section(rows(), "3")->start, cell.top(), 1);

    open(QStringLiteral("sample.docx"));
    EXPECT_FALSE(columns().isVisible());
    EXPECT_FALSE(formulaBar().isVisible());
}

TEST_F(SheetsAndSlidesTest, clickedCell_showsItsAddressAndFormula_inTheBar)
{
    open(QStringLiteral("figures.xlsx"));
    waitForHeaders();
    const struct
    {
        const char *column, *row, *address, *content;
    } cells[] = {{"B", "4", "B4", "=SUM(B2:B3)"}, {"A", "2", "A2", "north"}, {"C", "7", "C7", ""}};
    for (const auto &c : cells) {
        clickCell(c.column, c.row);
        EXPECT_TRUE(QTest::qWaitFor([&] { return showsCell(c.address, c.content); }, WaitMs))
            << c.address << ": " << formulaBar().addressBox()->text().toStdString() << " "
            << formulaBar().formulaEdit()->text().toStdString();
    }
}

class FormulaBarSaveTest : public SheetsAndSlidesTest,
                           public ::testing::WithParamInterface<const char *>
{
};

TEST_P(FormulaBarSaveTest, textEnteredInTheBar_isInTheSavedWorkbook)
{
    open(QStringLiteral("figures.xlsx"));
    waitForHeaders();
    clickCell("B", "2");
    ASSERT_TRUE(QTest::qWaitFor([] { return showsCell("B2", "12"); }, WaitMs));
    typeInto(formulaBar().formulaEdit(), QStringLiteral("20"));
    EXPECT_TRUE(view().hasFocus()) << "Enter hands the keys back to the sheet";
    clickCell("B", "4");
    ASSERT_TRUE(QTest::qWaitFor([] { return showsCell("B4", "=SUM(B2:B3)"); }, WaitMs));

    // Saved, opened again and read back as text: the cell and the sum follow the edit.
    const QString saved = s_dir->filePath(QStringLiteral("edited.") + GetParam());
    ASSERT_TRUE(control().save(saved)) << control().lastError().message.toStdString();
    ASSERT_TRUE(control().open(saved)) << control().lastError().message.toStdString();
    const QString csv = s_dir->filePath(QStringLiteral("edited.csv"));
    ASSERT_TRUE(control().save(csv));
    const QString text = readText(csv);
    EXPECT_TRUE(text.contains(QStringLiteral("north,20"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("total,50"))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Formats, FormulaBarSaveTest, ::testing::Values("xlsx", "xls"),
                         [](const auto &info) { return std::string(info.param); });

TEST_F(SheetsAndSlidesTest, addressBox_goesToTheCellTyped_andRefusesWhatIsNoAddress)
{
    open(QStringLiteral("figures.xlsx"));
    waitForHeaders();
    typeInto(formulaBar().addressBox(), QStringLiteral("a3"));
    EXPECT_TRUE(QTest::qWaitFor([] { return showsCell("A3", "south"); }, WaitMs))
        << formulaBar().addressBox()->text().toStdString();
    EXPECT_TRUE(formulaBar().problem().isEmpty());

    typeInto(formulaBar().addressBox(), QStringLiteral("B0"));
    EXPECT_TRUE(formulaBar().problem().contains(QStringLiteral("B0")))
        << formulaBar().problem().toStdString();
    EXPECT_EQ(formulaBar().formulaEdit()->text(), QStringLiteral("south")) << "nothing moved";
    // The message stays until another cell is current.
    clickCell("A", "2");
    EXPECT_TRUE(QTest::qWaitFor([] { return showsCell("A2", "north"); }, WaitMs));
    EXPECT_TRUE(formulaBar().problem().isEmpty()) << formulaBar().problem().toStdString();
    typeInto(formulaBar().addressBox(), QStringLiteral("B4"));
    EXPECT_TRUE(QTest::qWaitFor([] { return showsCell("B4", "=SUM(B2:B3)"); }, WaitMs));
}

TEST_F(SheetsAndSlidesTest, headers_followTheSheetWhenItScrolls)
{
    open(QStringLiteral("figures.xlsx"));
    waitForHeaders();
    wheel({0, -120 * 5});
    ASSERT_GT(view().verticalScrollBar()->value(), 0) << "the sheet did not scroll";
    ASSERT_TRUE(QTest::qWaitFor([] { return !section(rows(), "1"); }, WaitMs))
        << spoken(rows(), QAccessible::RowHeader).toStdString();
    wheel({-120 * 5, 0});
    ASSERT_GT(view().horizontalScrollBar()->value(), 0) << "the sheet did not scroll sideways";
    ASSERT_TRUE(QTest::qWaitFor([] { return !section(columns(), "A"); }, WaitMs))
        << spoken(columns(), QAccessible::ColumnHeader).toStdString();

    // Where the headers now say a cell is, it is.
    const HeaderSection column = columns().sections().at(1);
    const HeaderSection row = rows().sections().at(1);
    clickCell(column.label, row.label);
    const QString address = column.label + row.label;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return formulaBar().addressBox()->text() == address; }, WaitMs))
        << address.toStdString() << " but " << formulaBar().addressBox()->text().toStdString();
}

TEST_F(SheetsAndSlidesTest, anotherSheetsTab_showsThatSheetsCell_underItsHeaders)
{
    open(QStringLiteral("three-sheets.fods"));
    waitForHeaders();
    ASSERT_TRUE(QTest::qWaitFor([] { return showsCell("A1", "alpha sheet"); }, WaitMs));
    auto *tabs = view().findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    EXPECT_TRUE(QTest::qWaitFor([] { return showsCell("A1", "charlie sheet"); }, WaitMs))
        << formulaBar().formulaEdit()->text().toStdString();
    EXPECT_TRUE(spoken(columns(), QAccessible::ColumnHeader).startsWith("A B C"));
    clickCell("B", "2");
    EXPECT_TRUE(QTest::qWaitFor([] { return showsCell("B2", ""); }, WaitMs));
}

TEST_F(SheetsAndSlidesTest, protectedSheet_takesNoEditFromTheFormulaBar)
{
    open(QStringLiteral("figures.xlsx"));
    waitForHeaders();
    ASSERT_TRUE(control().setProtected(true));
    clickCell("B", "2");
    ASSERT_TRUE(QTest::qWaitFor([] { return showsCell("B2", "12"); }, WaitMs))
        << "moving the cursor stays possible";
    typeInto(formulaBar().formulaEdit(), QStringLiteral("99"));
    EXPECT_EQ(formulaBar().formulaEdit()->text(), QStringLiteral("12"));
    ASSERT_TRUE(control().setProtected(false));

    const QString csv = s_dir->filePath(QStringLiteral("protected.csv"));
    ASSERT_TRUE(control().save(csv));
    EXPECT_TRUE(readText(csv).contains(QStringLiteral("north,12"))) << readText(csv).toStdString();
}

TEST_F(SheetsAndSlidesTest, presentation_showsAThumbnailPerSlide_andAClickShowsThatSlide)
{
    open(QStringLiteral("slides.pptx"));
    framer::SlidePanel &panel = slidePanel();
    ASSERT_TRUE(panel.isVisible());
    ASSERT_EQ(panel.count(), 3);
    EXPECT_FALSE(formulaBar().isVisible());
    EXPECT_FALSE(columns().isVisible());
    // Each thumbnail is its own slide: black in the left, middle and right third in turn.
    for (int slide = 0; slide < 3; ++slide) {
        QListWidgetItem *item = panel.item(slide);
        EXPECT_EQ(item->text(), QString::number(slide + 1));
        const auto thumbnail = [&] {
            return item->icon()
                .pixmap(panel.iconSize())
                .toImage()
                .copy(QRect(QPoint(2, 2), panel.iconSize() - QSize(4, 4)));
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return darkThird(thumbnail()) == slide; }, WaitMs))
            << "thumbnail " << slide + 1;
    }
    EXPECT_EQ(panel.currentRow(), 0);

    const auto slideShown = [] {
        const QImage shown = view().viewport()->grab().toImage();
        const QRect page = view()
                               .grid()
                               .toViewport(QRect(0, 0, int(view().model().info().width),
                                                 int(view().model().info().height)),
                                           view().scrollPosition())
                               .intersected(view().viewport()->rect());
        return darkThird(shown.copy(page.adjusted(2, 2, -2, -2)));
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return slideShown() == 0; }, WaitMs));
    QTest::mouseClick(panel.viewport(), Qt::LeftButton, {},
                      panel.visualItemRect(panel.item(2)).center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return slideShown() == 2; }, WaitMs))
        << "the view does not show the third slide";
    EXPECT_EQ(view().model().info().part, 2);
    EXPECT_EQ(panel.currentRow(), 2);
}

} // namespace
