#include "enginecore.h"
#include "fakeoffice.h"
#include "sheetcells.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace engineprotocol;
using reply::HeaderSpan;

namespace {

struct HeadersCase
{
    const char *name;
    QByteArray json;
    std::optional<reply::RowColumnHeaders> expected;
};

void PrintTo(const HeadersCase &c, std::ostream *out)
{
    *out << c.name;
}

class HeadersParseTest : public ::testing::TestWithParam<HeadersCase>
{
};

TEST_P(HeadersParseTest, libreOfficesHeaderValues_becomeSpansInTwips)
{
    EXPECT_EQ(enginecore::parseRowColumnHeaders(GetParam().json), GetParam().expected);
}

// Payloads as LibreOffice 7.4 writes them: the first entry is where the range starts, each
// later one a label and where it ends, in pixels of 15 twips.
INSTANTIATE_TEST_SUITE_P(
    Headers, HeadersParseTest,
    ::testing::Values(
        HeadersCase{"fromTheTopLeft",
                    R"({ "commandName": ".uno:ViewRowColumnHeaders",
                         "rows": [ { "text": 0, "size": 0, "groupLevels": 0},
                                   { "text": "1", "size": 17}, { "text": "2", "size": 34}],
                         "columns": [ { "text": 0, "size": 0, "groupLevels": 0},
                                      { "text": "A", "size": 85}, { "text": "B", "size": 170}]})",
                    reply::RowColumnHeaders{{{"1", 0, 255}, {"2", 255, 510}},
                                            {{"A", 0, 1275}, {"B", 1275, 2550}}}},
        HeadersCase{"scrolledDownAndRight",
                    R"({ "rows": [ { "text": 492, "size": 8364, "groupLevels": 0},
                                   { "text": "493", "size": 8381}],
                         "columns": [ { "text": 92, "size": 7820, "groupLevels": 0},
                                      { "text": "CO", "size": 7905}]})",
                    reply::RowColumnHeaders{{{"493", 125460, 125715}}, {{"CO", 117300, 118575}}}},
        HeadersCase{"hiddenRowHasNoHeight",
                    R"({ "rows": [ { "text": 0, "size": 0}, { "text": "1", "size": 17},
                                   { "text": "2", "size": 17}, { "text": "3", "size": 34}],
                         "columns": []})",
                    reply::RowColumnHeaders{{{"1", 0, 255}, {"2", 255, 255}, {"3", 255, 510}}, {}}},
        HeadersCase{"sizesAsStrings", R"({ "rows": [ { "text": "0", "size": "0"},
                                   { "text": "1", "size": "20"}], "columns": []})",
                    reply::RowColumnHeaders{{{"1", 0, 300}}, {}}},
        HeadersCase{"noAreaAskedFor", "{ }", std::nullopt},
        HeadersCase{"notJson", "rows: 1, 2, 3", std::nullopt},
        HeadersCase{"sizeMissing",
                    R"({ "rows": [ { "text": 0, "size": 0}, { "text": "1"}], "columns": []})",
                    std::nullopt},
        HeadersCase{"goingBackwards",
                    R"({ "rows": [ { "text": 0, "size": 40}, { "text": "1", "size": 17}],
                         "columns": []})",
                    std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

class SheetRequestsTest : public ::testing::Test
{
protected:
    FakeDocument *open(int type, const QList<FakeDocument::Part> &parts = {{"Sheet1"}})
    {
        FakeDocument *document = m_office.prepare(type);
        document->sheets = parts;
        const QString path = m_dir.filePath(QStringLiteral("document.ods"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("bytes");
        file.close();
        EXPECT_TRUE(
            std::holds_alternative<reply::DocumentInfo>(m_core.handle(request::Load{path})));
        document->log.clear();
        return document;
    }
    static ErrorCode errorCode(const Reply &reply)
    {
        const auto *error = std::get_if<reply::Error>(&reply);
        EXPECT_NE(error, nullptr) << "reply " << reply.index();
        return error ? error->code : ErrorCode::Failed;
    }
    // The string argument a command was posted with.
    static QString argument(const QByteArray &arguments, const char *name)
    {
        return QJsonDocument::fromJson(arguments)
            .object()
            .value(QLatin1String(name))
            .toObject()
            .value("value")
            .toString();
    }

    QTemporaryDir m_dir;
    FakeOffice m_office;
    enginecore::EngineCore m_core{m_office, [](const Event &) {}, [] {}};
};

TEST_F(SheetRequestsTest, headers_askForTheAreaGiven_andComeBackInTwips)
{
    FakeDocument *sheet = open(LOK_DOCTYPE_SPREADSHEET);
    sheet->rowColumnHeaders = R"({"rows": [{"text": 0, "size": 0}, {"text": "1", "size": 17}],
                                  "columns": [{"text": 0, "size": 0}, {"text": "A", "size": 85}]})";
    const Reply reply = m_core.handle(request::RowColumnHeaders{{1275, 510, 9000, 4000}});
    ASSERT_TRUE(std::holds_alternative<reply::RowColumnHeaders>(reply));
    EXPECT_EQ(std::get<reply::RowColumnHeaders>(reply),
              (reply::RowColumnHeaders{{{"1", 0, 255}}, {{"A", 0, 1275}}}));
    EXPECT_EQ(sheet->log,
              QStringList{"values .uno:ViewRowColumnHeaders?x=1275&y=510&width=9000&height=4000"});

    sheet->rowColumnHeaders = "{ }";
    EXPECT_EQ(errorCode(m_core.handle(request::RowColumnHeaders{{0, 0, 100, 100}})),
              ErrorCode::Failed);
    for (const QRect area : {QRect(-1, 0, 100, 100), QRect(0, 0, 0, 100)})
        EXPECT_EQ(errorCode(m_core.handle(request::RowColumnHeaders{area})), ErrorCode::BadRequest);
}

TEST_F(SheetRequestsTest, cellRequests_onAnythingButASpreadsheet_areRefusedUntried)
{
    for (const int type : {LOK_DOCTYPE_TEXT, LOK_DOCTYPE_PRESENTATION}) {
        FakeDocument *document = open(type);
        const Request requests[] = {request::RowColumnHeaders{{0, 0, 100, 100}},
                                    request::EnterCellText{"1"}, request::GoToCell{"A1"}};
        for (const Request &request : requests)
            EXPECT_EQ(errorCode(m_core.handle(request)), ErrorCode::WrongKind) << type;
        EXPECT_TRUE(document->log.isEmpty()) << document->log.join("; ").toStdString();
    }
}

TEST_F(SheetRequestsTest, enteredText_goesIntoTheCurrentCell_unlessProtected)
{
    FakeDocument *sheet = open(LOK_DOCTYPE_SPREADSHEET);
    QString entered;
    sheet->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &args) {
        if (command == ".uno:EnterString")
            entered = argument(args, "StringName");
        // LibreOffice says it failed even when the cell took the text.
        d.answer(command, false);
        return true;
    };
    EXPECT_TRUE(std::holds_alternative<reply::Done>(
        m_core.handle(request::EnterCellText{QStringLiteral("=SUM(B2:B3)&\"合计\"")})));
    EXPECT_EQ(entered, QStringLiteral("=SUM(B2:B3)&\"合计\""));

    m_core.handle(request::Protect{true});
    sheet->log.clear();
    EXPECT_EQ(errorCode(m_core.handle(request::EnterCellText{"7"})), ErrorCode::Protected);
    EXPECT_TRUE(sheet->log.isEmpty()) << sheet->log.join("; ").toStdString();
}

TEST_F(SheetRequestsTest, goToCell_movesEvenWhenProtected_andAnAddressOffTheSheetIsRefused)
{
    FakeDocument *sheet = open(LOK_DOCTYPE_SPREADSHEET);
    QStringList targets;
    sheet->onCommand = [&](FakeDocument &d, const QByteArray &command, const QByteArray &args) {
        const QString target = argument(args, "ToPoint");
        targets << target;
        d.answer(command, target != QLatin1String("ZZZ9"));
        return true;
    };
    m_core.handle(request::Protect{true});
    EXPECT_TRUE(std::holds_alternative<reply::Done>(m_core.handle(request::GoToCell{"C3"})));
    const Reply refused = m_core.handle(request::GoToCell{"ZZZ9"});
    EXPECT_EQ(errorCode(refused), ErrorCode::BadRequest);
    EXPECT_TRUE(std::get<reply::Error>(refused).message.contains(QStringLiteral("ZZZ9")));
    EXPECT_EQ(targets, (QStringList{"C3", "ZZZ9"}));
}

TEST_F(SheetRequestsTest, thumbnail_drawsTheWholeSlide_withoutChangingTheCurrentOne)
{
    FakeDocument *slides = open(LOK_DOCTYPE_PRESENTATION, {{"One"}, {"Two"}, {"Three"}});
    slides->size = {15875, 8930};
    const Reply reply = m_core.handle(request::PartThumbnail{2, {140, 79}});
    ASSERT_TRUE(std::holds_alternative<reply::Tile>(reply));
    const auto &tile = std::get<reply::Tile>(reply);
    EXPECT_EQ(tile.part, 2);
    EXPECT_EQ(tile.size, QSize(140, 79));
    EXPECT_EQ(tile.pixels.size(), 140 * 79 * 4);
    EXPECT_EQ(slides->log, QStringList{"part tile 2 0,0 15875x8930 of 140x79"});
    EXPECT_EQ(slides->current, 0);

    const Request refused[] = {
        request::PartThumbnail{3, {140, 79}}, request::PartThumbnail{-1, {140, 79}},
        request::PartThumbnail{0, {0, 79}}, request::PartThumbnail{0, {4096, 4096}}};
    for (const Request &request : refused)
        EXPECT_EQ(errorCode(m_core.handle(request)), ErrorCode::BadRequest);
}

TEST_F(SheetRequestsTest, thumbnail_ofASpreadsheetOrText_isRefused)
{
    for (const int type : {LOK_DOCTYPE_SPREADSHEET, LOK_DOCTYPE_TEXT}) {
        open(type);
        EXPECT_EQ(errorCode(m_core.handle(request::PartThumbnail{0, {140, 79}})),
                  ErrorCode::WrongKind);
    }
}

} // namespace
