#include "gifwriter.h"
#include "ids.h"
#include "mime.h"
#include "multipart.h"
#include "options.h"
#include "pages.h"
#include "pagetext.h"
#include "serverprocess.h"
#include "store.h"
#include "target.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>

using namespace quillary::server;
using quillary::testing::readFile;
using quillary::testing::TempDir;

namespace {

struct IdCase
{
    const char *text;
    std::optional<std::int64_t> expected;
};

class ParseIdTest : public ::testing::TestWithParam<IdCase>
{
};

TEST_P(ParseIdTest, parseId_acceptsOnlyPlainBoundedDigits)
{
    EXPECT_EQ(parseId(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIdTest,
    ::testing::Values(IdCase{"1", 1}, IdCase{"42", 42}, IdCase{"2147483647", 2147483647},
                      IdCase{"2147483648", std::nullopt}, IdCase{"99999999999", std::nullopt},
                      IdCase{"", std::nullopt}, IdCase{"0", std::nullopt},
                      IdCase{"01", std::nullopt}, IdCase{"-1", std::nullopt},
                      IdCase{"+1", std::nullopt}, IdCase{" 1", std::nullopt},
                      IdCase{"1 ", std::nullopt}, IdCase{"1a", std::nullopt},
                      IdCase{"0x1", std::nullopt}, IdCase{"1.0", std::nullopt},
                      IdCase{"１", std::nullopt}, IdCase{"../1", std::nullopt}));

struct TargetCase
{
    const char *name;
    const char *target;
    const char *parameter;
    std::optional<std::string> expected; // the parameter's single value
};

void PrintTo(const TargetCase &c, std::ostream *out)
{
    *out << c.name;
}

class ParseTargetTest : public ::testing::TestWithParam<TargetCase>
{
};

TEST_P(ParseTargetTest, single_readsTheValueOnlyWhenGivenOnceAndIntact)
{
    const auto target = parseTarget(GetParam().target);
    ASSERT_TRUE(target);
    const auto value = target->single(GetParam().parameter);
    EXPECT_EQ(value ? std::optional<std::string>(*value) : std::nullopt, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTargetTest,
    ::testing::Values(
        TargetCase{"plain", "/w.asp?id=1&operfile=office", "id", "1"},
        TargetCase{"otherParameter", "/w.asp?id=1&operfile=office", "operfile", "office"},
        TargetCase{"valueHoldingEquals", "/w.asp?id=x=1", "id", "x=1"},
        TargetCase{"trailingEquals", "/w.asp?id=1=", "id", "1="},
        TargetCase{"leadingEquals", "/w.asp?id==1", "id", "=1"},
        TargetCase{"nameOnly", "/w.asp?id", "id", ""},
        TargetCase{"givenTwice", "/w.asp?id=1&id=1", "id", std::nullopt},
        TargetCase{"absent", "/w.asp?ids=1", "id", std::nullopt},
        TargetCase{"noQuery", "/w.asp", "id", std::nullopt},
        TargetCase{"emptyPiecesSkipped", "/w.asp?&&id=2&", "id", "2"},
        TargetCase{"escapedDigit", "/w.asp?id=%31", "id", "1"},
        TargetCase{"escapedAmpersandStaysInValue", "/w.asp?id=1%26id=2", "id", "1&id=2"},
        TargetCase{"escapedEqualsInName", "/w.asp?id%3D1", "id=1", ""},
        TargetCase{"plusIsSpace", "/w.asp?id=+1", "id", " 1"},
        TargetCase{"semicolonIsNoSeparator", "/w.asp?id=1;id=2", "id", "1;id=2"},
        TargetCase{"questionMarkInValue", "/w.asp?id=1?id=2", "id", "1?id=2"},
        TargetCase{"namesAreCaseSensitive", "/w.asp?ID=1", "id", std::nullopt},
        TargetCase{"brokenEscapeSpoilsTheQuery", "/w.asp?id=1&x=%zz", "id", std::nullopt},
        TargetCase{"cutEscapeSpoilsTheQuery", "/w.asp?id=1%", "id", std::nullopt},
        TargetCase{"escapedNulKept", "/w.asp?id=1%00", "id", std::string("1\0", 2)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ParseTargetTest, path_isDecoded_andOnlyOriginFormIsRead)
{
    EXPECT_EQ(parseTarget("/quillary/temp/%2e%2e/x?id=1")->path, "/quillary/temp/../x");
    EXPECT_EQ(parseTarget("/a+b")->path, "/a+b");
    EXPECT_EQ(parseTarget("/")->path, "/");
    for (const char *bad : {"", "*", "http://h/x", "x", "/a%2", "/a%zz", "/a%00b"})
        EXPECT_FALSE(parseTarget(bad)) << bad;
}

TEST(ParseTargetTest, has_countsEveryOccurrence_andAnUnreadableQueryHasEverything)
{
    EXPECT_TRUE(parseTarget("/w?id=1&version=1&version=2")->has("version"));
    EXPECT_FALSE(parseTarget("/w?id=1")->has("version"));
    EXPECT_TRUE(parseTarget("/w?id=1&x=%g0")->has("version"));
}

struct BoundaryCase
{
    const char *name;
    std::string contentType;
    std::optional<std::string> expected;
};

void PrintTo(const BoundaryCase &c, std::ostream *out)
{
    *out << c.name;
}

class FormDataBoundaryTest : public ::testing::TestWithParam<BoundaryCase>
{
};

TEST_P(FormDataBoundaryTest, formDataBoundary_readsTheParameter)
{
    EXPECT_EQ(formDataBoundary(GetParam().contentType), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormDataBoundaryTest,
    ::testing::Values(
        BoundaryCase{"oneCharacter", "multipart/form-data; boundary=B", "B"},
        BoundaryCase{"quoted", "multipart/form-data; boundary=\"a+b/c=\"", "a+b/c="},
        BoundaryCase{"followedByAnotherParameter",
                     "multipart/form-data; boundary=xyz; charset=utf-8", "xyz"},
        BoundaryCase{"caseOfTypeAndName", "Multipart/Form-Data; BOUNDARY=q", "q"},
        BoundaryCase{"noSpaces", "multipart/form-data;boundary=q", "q"},
        BoundaryCase{"seventyCharacters", "multipart/form-data; boundary=" + std::string(70, 'x'),
                     std::string(70, 'x')},
        BoundaryCase{"seventyOneCharacters",
                     "multipart/form-data; boundary=" + std::string(71, 'x'), std::nullopt},
        BoundaryCase{"missing", "multipart/form-data", std::nullopt},
        BoundaryCase{"empty", "multipart/form-data; boundary=\"\"", std::nullopt},
        BoundaryCase{"unclosedQuote", "multipart/form-data; boundary=\"abc", std::nullopt},
        BoundaryCase{"lineBreakInside", "multipart/form-data; boundary=\"a\r\nb\"", std::nullopt},
        BoundaryCase{"otherMultipart", "multipart/mixed; boundary=q", std::nullopt},
        BoundaryCase{"notMultipart", "application/x-www-form-urlencoded", std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

// What a reader handed on, as text: "[name|file]bytes" per part.
struct ReadResult
{
    std::string parts;
    bool fedWell = true;
    bool complete = false;
};

ReadResult readInPieces(const std::string &boundary, const std::string &body, std::size_t piece)
{
    ReadResult result;
    MultipartReader reader(
        boundary,
        [&](const MultipartReader::Part &part) {
            result.parts += "[" + part.name + "|" + part.fileName + "]";
            return true;
        },
        [&](std::string_view bytes) {
            result.parts.append(bytes);
            return true;
        });
    for (std::size_t at = 0; at < body.size(); at += piece)
        result.fedWell = reader.feed(std::string_view(body).substr(at, piece)) && result.fedWell;
    result.complete = reader.complete();
    return result;
}

TEST(MultipartReaderTest, partsAndBytes_areTheSameWhateverPiecesTheBodyComesIn)
{
    // File bytes that come close to the delimiter without being one.
    const std::string file =
        "\r\n--boundar\r\n-\r\r\n--boundarX\n" + quillary::testing::randomBytes(5000, 3) + "\r\n--";
    const std::string body =
        "preamble\r\n--boundary\r\nContent-Disposition: form-data; name=\"note\"\r\n\r\nhi"
        "\r\n--boundary  \r\ncontent-disposition: form-data; name=\"file\"; "
        "filename=\"C:\\dir\\a b.doc\"\r\nContent-Type: application/msword\r\n\r\n" +
        file +
        "\r\n--boundary\r\nContent-Disposition: form-data; name=\"empty\"\r\n\r\n"
        "\r\n--boundary\r\n\r\nno headers\r\n--boundary--\r\nepilogue --boundary\r\n";
    const std::string expected =
        "[note|]hi[file|C:\\dir\\a b.doc]" + file + "[empty|][|]no headers";
    for (std::size_t piece : {1, 2, 3, 7, 11, 64, 4096, 1 << 20}) {
        const ReadResult result = readInPieces("boundary", body, piece);
        EXPECT_EQ(result.parts, expected) << "pieces of " << piece;
        EXPECT_TRUE(result.fedWell) << "pieces of " << piece;
        EXPECT_TRUE(result.complete) << "pieces of " << piece;
    }
}

TEST(MultipartReaderTest, malformedOrCutBodies_areNeverComplete)
{
    const std::string part = "--B\r\nContent-Disposition: form-data; name=\"file\"\r\n\r\nabc";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"no closing delimiter", part},
        {"cut inside the closing delimiter", part + "\r\n--B-"},
        {"no delimiter at all", "just bytes"},
        {"empty", ""},
        {"junk after a delimiter", "--Bjunk\r\n\r\nabc\r\n--B--"},
        {"header line without colon", "--B\r\nContent-Disposition form-data\r\n\r\nabc\r\n--B--"},
        {"headers never end", "--B\r\nX: " + std::string(20000, 'x')},
        {"headers cut", "--B\r\nContent-Disposition: form-data; name=\"file\"\r\n"}};
    for (const auto &[name, body] : cases) {
        for (std::size_t piece : {1, 5, 1 << 20})
            EXPECT_FALSE(readInPieces("B", body, piece).complete)
                << name << ", pieces of " << piece;
    }
}

TEST(MultipartReaderTest, callbackSayingStop_endsTheReading)
{
    int parts = 0;
    MultipartReader reader(
        "B", [&](const MultipartReader::Part &) { return ++parts < 2; },
        [](std::string_view) { return true; });
    EXPECT_FALSE(reader.feed("--B\r\n\r\na\r\n--B\r\n\r\nb\r\n--B\r\n\r\nc\r\n--B--\r\n"));
    EXPECT_FALSE(reader.feed("--B\r\n\r\nd\r\n--B--\r\n"));
    EXPECT_EQ(parts, 2);
    EXPECT_FALSE(reader.complete());
}

TEST(OptionsTest, parseOptions_withoutArguments_listensOnLoopbackPort8089)
{
    const auto result = parseOptions({}, "/data");
    ASSERT_TRUE(result.options);
    EXPECT_EQ(result.options->address, "127.0.0.1");
    EXPECT_EQ(result.options->port, 8089);
    EXPECT_EQ(result.options->dataDir, "/data");
    EXPECT_EQ(result.options->maxUploadBytes, 256ull * 1024 * 1024);
}

TEST(OptionsTest, parseOptions_explicitValues_areTaken)
{
    const auto result = parseOptions(
        {"--address", "0.0.0.0", "--port=9000", "--data", "/d", "--max-upload-bytes", "1000"},
        "/data");
    ASSERT_TRUE(result.options) << result.error;
    EXPECT_EQ(result.options->address, "0.0.0.0");
    EXPECT_EQ(result.options->port, 9000);
    EXPECT_EQ(result.options->dataDir, "/d");
    EXPECT_EQ(result.options->maxUploadBytes, 1000u);
}

TEST(OptionsTest, parseOptions_badValues_giveAnError)
{
    const std::vector<std::vector<std::string>> cases{{"--port", "70000"},
                                                      {"--port", "-1"},
                                                      {"--port", "80x"},
                                                      {"--port"},
                                                      {"--address", "example.org"},
                                                      {"--max-upload-bytes", "0"},
                                                      {"--data", ""},
                                                      {"--verbose"}};
    for (const auto &arguments : cases) {
        const auto result = parseOptions(arguments, "/data");
        EXPECT_FALSE(result.options) << arguments.front();
        EXPECT_FALSE(result.error.empty()) << arguments.front();
    }
}

TEST(OptionsTest, defaultDataDir_prefersXdgDataHome)
{
    EXPECT_EQ(defaultDataDir("/x", "/home/u"), "/x/quillary/server");
    EXPECT_EQ(defaultDataDir("", "/home/u"), "/home/u/.local/share/quillary/server");
    EXPECT_EQ(defaultDataDir("relative", "/home/u"), "/home/u/.local/share/quillary/server");
}

TEST(MimeTest, contentType_andDisposition_carryTheExtension)
{
    EXPECT_EQ(extensionOf("a.b/Report.DOCX"), "docx");
    EXPECT_EQ(extensionOf("noext"), "");
    EXPECT_EQ(contentTypeForExtension("doc"), "application/msword");
    EXPECT_EQ(contentTypeForExtension("xls"), "application/vnd.ms-excel");
    EXPECT_EQ(contentTypeForExtension("ppt"), "application/vnd.ms-powerpoint");
    EXPECT_EQ(contentTypeForExtension("zzz"), "application/octet-stream");
    EXPECT_EQ(attachmentDisposition("示例 1.doc", "document-1.doc"),
              "attachment; filename=\"document-1.doc\"; "
              "filename*=UTF-8''%E7%A4%BA%E4%BE%8B%201.doc");
    EXPECT_EQ(attachmentDisposition("a\".doc", "a\"\r\n.doc"),
              "attachment; filename=\"a___.doc\"; filename*=UTF-8''a%22.doc");
}

TEST(PagesTest, listName_turnsEveryKindOfSpaceIntoUnderscore)
{
    EXPECT_EQ(listName("年度 报告\t2024\xC2\xA0"
                       "final\xE3\x80\x80v2\r\n.doc"),
              "年度_报告_2024_final_v2__.doc");
    EXPECT_EQ(listName("plain.doc"), "plain.doc");
    EXPECT_EQ(listName(""), "_");
}

TEST(PagesTest, htmlEscape_escapesMarkup)
{
    EXPECT_EQ(htmlEscape("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(PagesTest, listPage_yieldsNameAndEditAddressPerDocument)
{
    std::vector<DocumentInfo> documents{
        {1, "季度 报告.doc", "doc", 1, "", 100, 0},
        {7, "<b>编辑 阅读</b>.xls", "xls", 3, "", 5000, 0},
        {12, "x.ppt", "ppt", 1, "", 1 << 20, 0},
    };
    const auto page = quillary::testing::renderPage(listPage(documents), "http://h");
    const auto entries = quillary::testing::listEntries(page);
    const std::vector<std::string> expected{
        "季度_报告.dochttp://h/quillary/webdocedit.asp?oper=edit&id=1",
        "<b>编辑_阅读</b>.xlshttp://h/quillary/webdocedit.asp?oper=edit&id=7",
        "x.ppthttp://h/quillary/webdocedit.asp?oper=edit&id=12"};
    EXPECT_EQ(entries, expected);
}

TEST(PagesTest, listPage_withoutDocuments_yieldsNoEntry)
{
    const auto page = quillary::testing::renderPage(listPage({}), "http://h");
    EXPECT_TRUE(quillary::testing::listEntries(page).empty());
}

TEST(PagesTest, documentPages_offerNoListEntry)
{
    const DocumentInfo document{3, "a.doc", "doc", 2, "", 10, 0};
    const std::vector<VersionInfo> versions{{1, "", 5, 0, ""}, {2, "", 10, 0, "a.doc"}};
    for (const std::string &html :
         {editPage(document), readPage(document), versionsPage(document, versions), forumPage(),
          introPage(), purchasePage()}) {
        const auto page = quillary::testing::renderPage(html, "http://h");
        EXPECT_TRUE(quillary::testing::listEntries(page).empty());
        EXPECT_NE(html.find("/quillary/webdocumentlist.asp"), std::string::npos);
    }
}

std::size_t countFiles(const std::filesystem::path &dir)
{
    std::size_t count = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(dir))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}

TEST(StoreTest, commit_storesBytesUnderTheirHash)
{
    TempDir dir;
    ObjectStore store(dir.path());
    const std::string bytes = quillary::testing::randomBytes(3 << 20, 1);
    auto pending = store.begin();
    for (std::size_t at = 0; at < bytes.size(); at += 4000)
        pending->write(bytes.data() + at, std::min<std::size_t>(4000, bytes.size() - at));
    const StoredObject object = store.commit(*pending);
    EXPECT_EQ(object.hash, quillary::testing::sha256Hex(bytes));
    EXPECT_EQ(object.size, bytes.size());
    EXPECT_EQ(readFile(store.objectPath(object.hash)), bytes);
    EXPECT_EQ(countFiles(dir.path() / "tmp"), 0u);
}

TEST(StoreTest, droppedUpload_leavesNothing)
{
    TempDir dir;
    ObjectStore store(dir.path());
    {
        auto pending = store.begin();
        pending->write("abc", 3);
        EXPECT_EQ(countFiles(dir.path() / "tmp"), 1u);
    }
    EXPECT_EQ(countFiles(dir.path()), 0u);
}

TEST(StoreTest, sameBytesTwice_shareOneObject)
{
    TempDir dir;
    ObjectStore store(dir.path());
    EXPECT_EQ(store.put("same").hash, store.put("same").hash);
    EXPECT_EQ(countFiles(dir.path()), 1u);
}

TEST(StoreTest, recover_removesTemporaryAndUnreferencedFiles)
{
    TempDir dir;
    ObjectStore store(dir.path());
    const StoredObject kept = store.put("kept");
    const StoredObject orphan = store.put("orphan");
    std::ofstream(dir.path() / "tmp" / "upload-half.part") << "half";
    std::ofstream(dir.path() / "objects" / "zz") << "stray";
    EXPECT_EQ(store.recover({kept.hash}), 3u);
    EXPECT_TRUE(std::filesystem::exists(store.objectPath(kept.hash)));
    EXPECT_FALSE(std::filesystem::exists(store.objectPath(orphan.hash)));
    EXPECT_EQ(countFiles(dir.path()), 1u);
}

QImage decodeGif(const std::string &bytes)
{
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar *>(bytes.data()), int(bytes.size()), "GIF");
    return image;
}

TEST(GifWriterTest, encodeGif_roundTripsThroughQtsDecoder)
{
    // Noise defeats the dictionary, so it fills up and is cleared several times.
    for (const auto &[width, height, colours] :
         {std::tuple{1, 1, 1}, std::tuple{7, 3, 2}, std::tuple{300, 200, 256},
          std::tuple{64, 64, 5}}) {
        quillary::pictures::IndexedImage image;
        image.width = width;
        image.height = height;
        for (int i = 0; i < colours; ++i)
            image.palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
        const std::string noise =
            quillary::testing::randomBytes(std::size_t(width) * height, width);
        for (char c : noise)
            image.pixels.push_back(std::uint8_t(static_cast<unsigned char>(c) % colours));
        image.transparentIndex = 0;
        const QImage decoded = decodeGif(quillary::pictures::encodeGif(image));
        ASSERT_EQ(decoded.width(), width);
        ASSERT_EQ(decoded.height(), height);
        int mismatches = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint8_t index = image.pixels[std::size_t(y) * width + x];
                const QRgb pixel = decoded.pixel(x, y);
                const auto &colour = image.palette[index];
                const bool same = index == 0
                                      ? qAlpha(pixel) == 0
                                      : qAlpha(pixel) == 255 && qRed(pixel) == colour.r &&
                                            qGreen(pixel) == colour.g && qBlue(pixel) == colour.b;
                mismatches += same ? 0 : 1;
            }
        }
        EXPECT_EQ(mismatches, 0) << width << "x" << height;
    }
}

TEST(GifWriterTest, encodeGif_inconsistentPicture_throws)
{
    quillary::pictures::IndexedImage image{2, 2, {{0, 0, 0}}, {0, 0, 0, 1}, std::nullopt};
    EXPECT_THROW(quillary::pictures::encodeGif(image), std::invalid_argument);
    image.pixels = {0, 0, 0};
    EXPECT_THROW(quillary::pictures::encodeGif(image), std::invalid_argument);
}

} // namespace
