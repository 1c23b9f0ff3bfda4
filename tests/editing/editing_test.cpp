#include "core/controlfailure.h"
#include "hostedcontrol.h"
#include "testdocuments.h"
#include "testserver.h"
#include "widgets/signature/signaturepad.h"

#include "automation/automationerror.h"
#include "controldispids.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using automation::AutomationError;
using automation::InvokeKind;
using automation::Variant;
using namespace engineprotocol;
namespace dispid = controlcontract::dispid;
namespace hresult = automation::hresult;

namespace {

// The table file the client writes: 44 + 6 x 48 + 8 characters.
QByteArray tableHtml()
{
    QByteArray body;
    for (int row = 0; row < 6; ++row) {
        QByteArray cells;
        for (int cell = 0; cell < 3; ++cell)
            cells += "<td>test</td>";
        body += "<tr>" + cells + "</tr>";
    }
    return "<table border=1 cellpadding=1 cellspacing=1>" + body + "</table>";
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int count(const QString &text, const QRegularExpression &pattern)
{
    int found = 0;
    for (auto it = pattern.globalMatch(text); it.hasNext(); it.next())
        ++found;
    return found;
}

QByteArray pictureBytes(const char *format)
{
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// One control, and so one engine, for the whole suite; each test opens a fresh document.
class EditingTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_files = new QTemporaryDir;
        s_network = new QNetworkAccessManager;
        s_server = new TestServer;
        quillary::DocumentControl::Options options = testOptions();
        options.network = s_network;
        s_control = new HostedControl(options, driveC());
        s_server->addFile("/quillary/images/quillary.jpg", {pictureBytes("JPG"), {}});
        // A 2x2 GIF, a format Qt reads but does not write.
        s_server->addFile(
            "/quillary/images/003.gif",
            {QByteArray::fromBase64("R0lGODdhAgACAPAAAP8AAAAAACwAAAAAAgACAAACAoRRADs="), {}});
    }
    static void TearDownTestSuite()
    {
        delete s_control;
        delete s_network;
        delete s_server;
        delete s_files;
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir(driveC()).removeRecursively();
        s_control->widget.closeDocument();
    }

    static QString driveC() { return s_files->filePath(QStringLiteral("drive_c")); }

    // Opens a copy of a test document.
    void open(const char *document)
    {
        const QString path = m_dir.filePath(QString::fromLatin1(document));
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(testdocuments::path(QString::fromLatin1(document)), path));
        call(dispid::OpenDocument, {Variant::bstr(path.toStdString())});
    }

    static Variant call(automation::DispId id, std::vector<Variant> args = {},
                        InvokeKind kind = InvokeKind::Method)
    {
        return s_control->call(id, std::move(args), kind);
    }
    static Variant str(const QString &text) { return Variant::bstr(text.toStdString()); }
    static bool mark(const QString &name, const QString &value, const char *keyword)
    {
        return call(dispid::MarkCommand, {str(name), str(value), str(QLatin1String(keyword))})
            .toBool();
    }
    static bool addMark() { return mark(QStringLiteral("mark_1"), {}, "::ADDMARK::"); }

    // The loaded text document as flat ODF XML.
    QString flatXml()
    {
        const QString path = m_dir.filePath(QStringLiteral("saved-%1.fodt").arg(++m_saves));
        s_control->engine().save(path, QStringLiteral("fodt"), QStringLiteral("test"));
        return QString::fromUtf8(readAll(path));
    }
    QString body()
    {
        const QString xml = flatXml();
        const qsizetype start = xml.indexOf(QLatin1String("<office:body>"));
        return xml.mid(start, xml.indexOf(QLatin1String("</office:body>")) - start);
    }
    QString plainText()
    {
        const QString path = m_dir.filePath(QStringLiteral("saved-%1.txt").arg(++m_saves));
        s_control->engine().save(path, QStringLiteral("txt"), QStringLiteral("test"));
        return QString::fromUtf8(readAll(path)).remove(QChar(0xfeff));
    }
    // The paragraph holding the bookmark, with everything anchored in it.
    QString markParagraph()
    {
        static const QRegularExpression paragraph(
            QStringLiteral("<text:p\\b(?:(?!</text:p>).)*text:name=\"mark_1\"(?:(?!</text:p>).)*"
                           "</text:p>"),
            QRegularExpression::DotMatchesEverythingOption);
        return paragraph.match(flatXml()).captured(0);
    }
    // The control tells the user, in a label a screen reader finds, that editing is off.
    static bool protectionShown()
    {
        for (const QLabel *label : s_control->widget.findChildren<QLabel *>())
            if (label->accessibleName() == QStringLiteral("文档保护状态"))
                return label->isVisible();
        return false;
    }
    // Typed straight to the engine, so a refusal shows.
    static void type(QChar c)
    {
        for (KeyAction action : {KeyAction::Press, KeyAction::Release})
            s_control->engine().call<reply::Done>(request::Key{action, c.unicode(), 0}, 30000);
    }

    static HostedControl *s_control;
    static QTemporaryDir *s_files;
    static QNetworkAccessManager *s_network;
    static TestServer *s_server;
    QTemporaryDir m_dir;
    int m_saves = 0;
};

HostedControl *EditingTest::s_control = nullptr;
QTemporaryDir *EditingTest::s_files = nullptr;
QNetworkAccessManager *EditingTest::s_network = nullptr;
TestServer *EditingTest::s_server = nullptr;

int errorNumber(const std::function<void()> &run)
{
    try {
        run();
    } catch (const AutomationError &error) {
        return error.number();
    } catch (const framer::ControlFailure &) {
        return hresult::Fail; // the engine refused
    }
    return 0;
}

TEST_F(EditingTest, replaceText_replacesEveryLowercaseOccurrence_andKeepsCapitals)
{
    open("cat.fodt");
    call(dispid::ReplaceText, {str(QStringLiteral("c")), str(QStringLiteral("k")), Variant::i4(1)});
    const QString text = plainText();
    EXPECT_TRUE(text.contains(QLatin1String("Onke a kat kaught a mouse."))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("Sekond paragraph Ck."))) << text.toStdString();
}

TEST_F(EditingTest, addMarkTwice_leavesOneMarkOfThatName)
{
    open("cat.fodt");
    EXPECT_TRUE(addMark());
    type(QLatin1Char('X'));
    EXPECT_TRUE(addMark());
    const QString xml = flatXml();
    static const QRegularExpression marks(
        QStringLiteral("<text:bookmark(?:-start)?\\b[^>]*text:name=\"mark_1[^\"]*\""));
    EXPECT_EQ(count(xml, marks), 1);
    EXPECT_FALSE(xml.contains(QLatin1String("mark_1 Copy")));
}

struct PictureCase
{
    const char *keyword;
    const char *anchor;
};

void PrintTo(const PictureCase &c, std::ostream *out)
{
    *out << c.keyword;
}

class PictureAtMarkTest : public EditingTest, public ::testing::WithParamInterface<PictureCase>
{
};

TEST_P(PictureAtMarkTest, localPicture_isPlacedAtTheMark_withItsAnchoring)
{
    open("cat.fodt");
    // The handwritten-signature path: drive C's Sign.bmp, written in Windows style.
    QDir().mkpath(driveC());
    ASSERT_TRUE(writeFile(driveC() + QStringLiteral("/Sign.bmp"), pictureBytes("BMP")));
    ASSERT_TRUE(addMark());
    EXPECT_TRUE(
        mark(QStringLiteral("mark_1"), QStringLiteral("c:\\\\Sign.bmp"), GetParam().keyword));
    const QString paragraph = markParagraph();
    EXPECT_TRUE(paragraph.contains(QLatin1String("<draw:image")))
        << paragraph.left(400).toStdString();
    EXPECT_TRUE(paragraph.contains(
        QStringLiteral("text:anchor-type=\"%1\"").arg(QLatin1String(GetParam().anchor))))
        << paragraph.left(400).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, PictureAtMarkTest,
    ::testing::Values(PictureCase{"::JPG::", "as-char"}, PictureCase{"::FLOATJPG::", "paragraph"}),
    [](const auto &info) {
        return std::string(info.param.anchor == std::string("as-char") ? "inline" : "floating");
    });

TEST_F(EditingTest, floatingPicture_hasTextWrappedAroundIt)
{
    open("cat.fodt");
    const QString picture = m_dir.filePath(QStringLiteral("stamp.png"));
    ASSERT_TRUE(writeFile(picture, pictureBytes("PNG")));
    ASSERT_TRUE(addMark());
    ASSERT_TRUE(mark(QStringLiteral("mark_1"), picture, "::FLOATJPG::"));
    const QString xml = flatXml();
    const QString style =
        QRegularExpression(QStringLiteral("<draw:frame[^>]*draw:style-name=\"([^\"]+)\""))
            .match(xml)
            .captured(1);
    ASSERT_FALSE(style.isEmpty());
    const QString properties =
        QRegularExpression(QStringLiteral("<style:style style:name=\"%1\".*?</style:style>")
                               .arg(QRegularExpression::escape(style)),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(xml)
            .captured(0);
    EXPECT_TRUE(properties.contains(QLatin1String("style:wrap=\"parallel\"")))
        << properties.toStdString();
}

struct RemoteCase
{
    const char *name;
    const char *path;
    const char *keyword;
};

void PrintTo(const RemoteCase &c, std::ostream *out)
{
    *out << c.name;
}

class RemotePictureTest : public EditingTest, public ::testing::WithParamInterface<RemoteCase>
{
};

TEST_P(RemotePictureTest, isFetchedFromTheServer_andPlacedAtTheMark)
{
    open("cat.fodt");
    ASSERT_TRUE(addMark());
    EXPECT_TRUE(mark(QStringLiteral("mark_1"), s_server->base() + QLatin1String(GetParam().path),
                     GetParam().keyword));
    EXPECT_TRUE(markParagraph().contains(QLatin1String("<draw:image")));
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, RemotePictureTest,
    ::testing::Values(RemoteCase{"photoInline", "/quillary/images/quillary.jpg", "::JPG::"},
                      RemoteCase{"gifStampFloating", "/quillary/images/003.gif", "::FLOATJPG::"}),
    [](const auto &info) { return std::string(info.param.name); });

struct MissingCase
{
    const char *name;
    const char *markName; // the mark the picture goes to; "mark_1" is set first
    const char *picture;  // "@drive" = drive C's Sign.bmp; "@garbage" = undecodable bytes
};

void PrintTo(const MissingCase &c, std::ostream *out)
{
    *out << c.name;
}

class MissingPictureTest : public EditingTest, public ::testing::WithParamInterface<MissingCase>
{
};

TEST_P(MissingPictureTest, givesFalse_andChangesNothing)
{
    open("cat.fodt");
    ASSERT_TRUE(addMark());
    QString picture = QString::fromLatin1(GetParam().picture);
    if (picture == QLatin1String("@garbage")) {
        picture = m_dir.filePath(QStringLiteral("broken.jpg"));
        ASSERT_TRUE(writeFile(picture, QByteArray("\xFF\xD8\xFF not really a picture")));
    } else if (picture == QLatin1String("@missingRemote")) {
        picture = s_server->base() + QStringLiteral("/quillary/images/none.jpg");
    } else if (picture == QLatin1String("@picture")) {
        picture = m_dir.filePath(QStringLiteral("fine.png"));
        ASSERT_TRUE(writeFile(picture, pictureBytes("PNG")));
    }
    const QString before = body();
    for (const char *keyword : {"::JPG::", "::FLOATJPG::"})
        EXPECT_FALSE(mark(QString::fromLatin1(GetParam().markName), picture, keyword)) << keyword;
    EXPECT_EQ(body(), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, MissingPictureTest,
                         ::testing::Values(MissingCase{"noSignatureFile", "mark_1",
                                                       "c:\\\\Sign.bmp"},
                                           MissingCase{"undecodable", "mark_1", "@garbage"},
                                           MissingCase{"notOnServer", "mark_1", "@missingRemote"},
                                           MissingCase{"otherDrive", "mark_1", "d:\\Sign.bmp"},
                                           MissingCase{"noSuchMark", "mark_9", "@picture"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(EditingTest, insertedHtmlTableFile_becomesATableOfSixRowsAndThreeCells)
{
    open("cat.fodt");
    const QString path = m_dir.filePath(QStringLiteral("table.doc"));
    const QByteArray html = tableHtml();
    ASSERT_EQ(html.size(), 340);
    ASSERT_TRUE(writeFile(path, html));
    // The client joins its program folder and "\table.doc" with a backslash.
    const QString clientPath = m_dir.path() + QStringLiteral("\\table.doc");
    EXPECT_TRUE(call(dispid::InsertFile, {str(clientPath), Variant::i4(0)}).toBool());

    const QString xml = body();
    const QRegularExpression table(QStringLiteral("<table:table .*?</table:table>"),
                                   QRegularExpression::DotMatchesEverythingOption);
    const QString inserted = table.match(xml).captured(0);
    ASSERT_FALSE(inserted.isEmpty()) << xml.toStdString();
    const QRegularExpression rows(QStringLiteral("<table:table-row\\b.*?</table:table-row>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    int rowCount = 0;
    for (auto it = rows.globalMatch(inserted); it.hasNext();) {
        const QString row = it.next().captured(0);
        ++rowCount;
        EXPECT_EQ(count(row, QRegularExpression(QStringLiteral("<table:table-cell\\b"))), 3);
        EXPECT_EQ(row.count(QLatin1String(">test<")), 3);
    }
    EXPECT_EQ(rowCount, 6);
}

struct InsertCase
{
    const char *name;
    const char *document; // inserted under the name insert.doc: its content decides
    const char *text;     // what the document then contains
};

void PrintTo(const InsertCase &c, std::ostream *out)
{
    *out << c.name;
}

class InsertFileTest : public EditingTest, public ::testing::WithParamInterface<InsertCase>
{
};

TEST_P(InsertFileTest, fileOfThisKind_isInsertedWithItsText)
{
    open("cat.fodt");
    const QString path = m_dir.filePath(QStringLiteral("insert.doc"));
    ASSERT_TRUE(QFile::copy(testdocuments::path(QString::fromLatin1(GetParam().document)), path));
    EXPECT_TRUE(call(dispid::InsertFile, {str(path), Variant::i4(0)}).toBool());
    const QString text = plainText();
    EXPECT_TRUE(text.contains(QLatin1String(GetParam().text))) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("Once a cat caught a mouse.")));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, InsertFileTest,
    ::testing::Values(InsertCase{"rtf", "inserted.rtf", "Inserted from rich text."},
                      InsertCase{"word97", "sample.doc", "Quillary sample page two."},
                      InsertCase{"word2007", "sample.docx", "Quillary sample page two."},
                      InsertCase{"openDocument", "sample.odt", "Quillary sample page two."},
                      InsertCase{"plainText", "inserted.txt", "Inserted plain words."}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(EditingTest, insertFile_missingOrUnknownContent_givesFalse_andChangesNothing)
{
    open("cat.fodt");
    const QString binary = m_dir.filePath(QStringLiteral("binary.doc"));
    ASSERT_TRUE(writeFile(binary, QByteArray("\x01\x02\x00\x03\x04", 5)));
    const QString before = body();
    for (const QString &path : {m_dir.filePath(QStringLiteral("none.doc")), binary})
        EXPECT_FALSE(call(dispid::InsertFile, {str(path), Variant::i4(0)}).toBool())
            << path.toStdString();
    EXPECT_EQ(body(), before);
}

TEST_F(EditingTest, protectedDocument_refusesTypingAndEdits_untilUnprotected)
{
    open("cat.fodt");
    const QString table = m_dir.filePath(QStringLiteral("table.doc"));
    ASSERT_TRUE(writeFile(table, tableHtml()));
    call(dispid::ProtectDocument, {Variant::i4(1), Variant::i4(2), str({})});
    EXPECT_TRUE(protectionShown());
    const QString before = body();

    EXPECT_NE(errorNumber([] { type(QLatin1Char('Z')); }), 0);
    // Reading stays possible: the cursor moves and clicks place it.
    EXPECT_EQ(
        errorNumber([] {
            s_control->engine().call<reply::Done>(request::Key{KeyAction::Press, 0, 1027}, 30000);
            for (MouseAction action : {MouseAction::Press, MouseAction::Release})
                s_control->engine().call<reply::Done>(request::Mouse{action, {2000, 1500}, 1, 1, 0},
                                                      30000);
        }),
        0);
    EXPECT_NE(errorNumber([] {
                  call(dispid::ReplaceText,
                       {str(QStringLiteral("c")), str(QStringLiteral("k")), Variant::i4(1)});
              }),
              0);
    EXPECT_FALSE(addMark());
    EXPECT_FALSE(call(dispid::InsertFile, {str(table), Variant::i4(0)}).toBool());
    EXPECT_EQ(body(), before);

    call(dispid::ProtectDocument, {Variant::i4(0), Variant::i4(2), str({})});
    EXPECT_FALSE(protectionShown());
    type(QLatin1Char('Z'));
    call(dispid::ReplaceText, {str(QStringLiteral("c")), str(QStringLiteral("k")), Variant::i4(1)});
    const QString text = plainText();
    EXPECT_EQ(text.count(QLatin1Char('Z')), 1) << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String("a kat kaught"))) << text.toStdString();
}

TEST_F(EditingTest, protection_endsWithTheDocument)
{
    open("cat.fodt");
    call(dispid::ProtectDocument, {Variant::i4(1), Variant::i4(2), str({})});
    open("cat.fodt");
    type(QLatin1Char('Z'));
    EXPECT_TRUE(plainText().startsWith(QLatin1String("ZOnce")));
}

TEST_F(EditingTest, wordSaveAsFormat17_writesAPdfWithTheText_onDriveC)
{
    open("cat.fodt");
    auto document = call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                             {str(QStringLiteral("c:\\a.pdf")), Variant::i2(17)});
    const QString pdf = driveC() + QStringLiteral("/a.pdf");
    EXPECT_TRUE(pdfText(pdf).contains(QLatin1String("Once a cat caught a mouse.")));
    // Nothing but the PDF is left in the folder.
    EXPECT_EQ(QDir(driveC()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.pdf"});
}

TEST_F(EditingTest, presentationSaveAsPdf_writesEverySlide)
{
    call(dispid::OpenDocument, {str(testdocuments::path(QStringLiteral("sample.pptx")))});
    auto document = call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                             {str(QStringLiteral("c:\\slides.pdf")), Variant::i4(32)});
    const QString text = pdfText(driveC() + QStringLiteral("/slides.pdf"));
    for (const char *slide : {"slide one", "slide two", "slide three"})
        EXPECT_TRUE(text.contains(QLatin1String(slide))) << text.toStdString();
}

TEST_F(EditingTest, officeObjectExport_whileTheControlIsBusy_isRefused_notInterleaved)
{
    open("cat.fodt");
    auto document = call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    int refused = 0;
    // The signature pad keeps the control busy in its nested loop.
    QTimer::singleShot(0, [&] {
        refused = errorNumber([&] {
            automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                                     {str(QStringLiteral("c:\\a.pdf")), Variant::i2(17)});
        });
        if (auto *dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    call(dispid::HandSign);
    EXPECT_EQ(refused, hresult::Fail);
    EXPECT_FALSE(QFile::exists(driveC() + QStringLiteral("/a.pdf")));
}

TEST_F(EditingTest, wordSaveAs_badFormatOrDrive_raises_andWritesNothing)
{
    open("cat.fodt");
    auto document = call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    EXPECT_EQ(errorNumber([&] {
                  automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                                           {str(QStringLiteral("c:\\a.xps")), Variant::i2(18)});
              }),
              hresult::InvalidArgument);
    EXPECT_NE(errorNumber([&] {
                  automation::invokeByName(*document, "saveas", InvokeKind::Method,
                                           {str(QStringLiteral("q:\\a.pdf")), Variant::i2(17)});
              }),
              0);
    EXPECT_TRUE(QDir(driveC()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(EditingTest, wordDocument_hasNoActiveSheet_andUnknownNamesRaiseUnknownName)
{
    open("cat.fodt");
    auto document = call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    auto application = automation::objectProperty(*document, "application");
    auto window = automation::objectProperty(*application, "ActiveWindow");
    EXPECT_EQ(errorNumber([&] { window->idOfName("ActiveSheet"); }), hresult::UnknownName);
    EXPECT_EQ(errorNumber([&] { document->idOfName("ExportAsFixedFormat"); }),
              hresult::UnknownName);
    EXPECT_EQ(errorNumber([&] { application->idOfName("ActiveSheet"); }), hresult::UnknownName);
}

TEST_F(EditingTest, excelExport_writesOnlyTheActiveSheet_andLeavesTheWorkbookAsItWas)
{
    open("three-sheets.fods");
    // The user picks the second sheet's tab.
    auto *tabs = s_control->view().findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    auto document = call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    auto application = automation::objectProperty(*document, "Application");
    auto window = automation::objectProperty(*application, "ActiveWindow");
    auto sheet = automation::objectProperty(*window, "ActiveSheet");
    auto target = std::make_shared<Variant>(str(QStringLiteral("c:\\excel.pdf")));
    automation::invokeByName(*sheet, "ExportAsFixedFormat", InvokeKind::Method,
                             {Variant::i2(0), Variant::byRef(target)});

    const QString text = pdfText(driveC() + QStringLiteral("/excel.pdf"));
    EXPECT_TRUE(text.contains(QLatin1String("bravo sheet"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1String("alpha sheet"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1String("charlie sheet"))) << text.toStdString();

    const auto state = s_control->engine().call<reply::SheetList>(request::Sheets{}, 30000);
    EXPECT_EQ(state.current, 1);
    // Nothing of the export is left in the workbook's history.
    EXPECT_EQ(state.undoSteps, 0);
    ASSERT_EQ(state.sheets.size(), 3);
    for (const auto &sheet : state.sheets)
        EXPECT_TRUE(sheet.visible) << sheet.name.toStdString();
}

TEST_F(EditingTest, noDocument_operationsRaise)
{
    EXPECT_NE(errorNumber([] { call(dispid::DocumentObject, {}, InvokeKind::PropertyGet); }), 0);
    EXPECT_NE(errorNumber([] { addMark(); }), 0);
    EXPECT_NE(errorNumber([] {
                  call(dispid::ReplaceText,
                       {str(QStringLiteral("c")), str(QStringLiteral("k")), Variant::i4(1)});
              }),
              0);
    EXPECT_NE(errorNumber([] {
                  call(dispid::InsertFile, {str(QStringLiteral("/tmp/x")), Variant::i4(0)});
              }),
              0);
}

TEST_F(EditingTest, handSign_writesTheDrawingToDriveC_onOk_andNothingOnCancel)
{
    for (const bool accept : {false, true}) {
        QTimer::singleShot(0, [accept] {
            auto *dialog =
                qobject_cast<framer::SignatureDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (!accept)
                return dialog->reject();
            QTest::mousePress(dialog->pad(), Qt::LeftButton, {}, QPoint(20, 20));
            for (int x = 30; x <= 200; x += 10)
                QTest::mouseMove(dialog->pad(), QPoint(x, 20 + x / 5));
            QTest::mouseRelease(dialog->pad(), Qt::LeftButton, {}, QPoint(200, 60));
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        });
        call(dispid::HandSign);
        const QString path = driveC() + QStringLiteral("/Sign.bmp");
        EXPECT_EQ(QFile::exists(path), accept);
    }
    QImage written(driveC() + QStringLiteral("/Sign.bmp"), "BMP");
    ASSERT_FALSE(written.isNull());
    EXPECT_GT(written.width(), 150);
}

TEST(HandSign, signatureThatCannotBeWritten_raises_andLeavesNothing)
{
    QTemporaryDir dir;
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(writeFile(blocked, "a file where drive C's folder should be"));
    HostedControl control(testOptions(), blocked);
    signWhenAsked();
    EXPECT_EQ(errorNumber([&] { control.call(dispid::HandSign); }), hresult::Fail);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"blocked"});
}

TEST(OfficeObjects, objectsOutlivingTheControl_raiseInsteadOfCrashing)
{
    QTemporaryDir drive;
    std::shared_ptr<automation::Dispatch> document;
    {
        HostedControl control(testOptions(), drive.filePath(QStringLiteral("drive_c")));
        control.call(
            dispid::OpenDocument,
            {Variant::bstr(testdocuments::path(QStringLiteral("cat.fodt")).toStdString())});
        document = control.call(dispid::DocumentObject, {}, InvokeKind::PropertyGet).asDispatch();
    }
    EXPECT_EQ(errorNumber([&] {
                  automation::invokeByName(*document, "SaveAs", InvokeKind::Method,
                                           {Variant::bstr("c:\\a.pdf"), Variant::i2(17)});
              }),
              hresult::Fail);
}

} // namespace
