#include "gifwriter.h"
#include "ids.h"
#include "mime.h"
#include "options.h"
#include "pages.h"
#include "pagetext.h"
#include "serverprocess.h"
#include "store.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>

using namespace quillary::server;
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

std::string readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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
