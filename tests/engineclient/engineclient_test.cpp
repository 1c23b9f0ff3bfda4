#include "core/controlfailure.h"
#include "core/engineclient.h"
#include "core/formatrules.h"
#include "testdocuments.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <linux/landlock.h>
#include <memory>
#include <optional>
#include <sys/syscall.h>
#include <unistd.h>

using namespace engineprotocol;
using framer::ControlFailure;
using framer::EngineClient;

namespace {

int darkPixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) > 0 && qGray(pixel) < 128)
                ++count;
        }
    return count;
}

std::string describe(const ControlFailure &failure)
{
    return failure.error.message.toStdString();
}

EngineClient::Options options()
{
    EngineClient::Options options;
    options.profileRoot = testdocuments::cacheDir() + QStringLiteral("/profiles");
    return options;
}

struct SampleCase
{
    const char *format;
    DocumentKind kind;
    int parts;
};

void PrintTo(const SampleCase &c, std::ostream *out)
{
    *out << c.format;
}

// One engine for every test of a fixture: starting LibreOffice is the slow part.
class EngineTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_client = new EngineClient(options());
        s_client->start();
    }
    static void TearDownTestSuite()
    {
        delete s_client;
        s_client = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    static EngineClient *s_client;
    QTemporaryDir m_dir;
};

EngineClient *EngineTest::s_client = nullptr;

class EngineSampleTest : public EngineTest, public ::testing::WithParamInterface<SampleCase>
{
};

} // namespace

TEST_P(EngineSampleTest, load_drawsEveryPart_andSavedCopyReopens)
{
    const QString format = QString::fromLatin1(GetParam().format);
    const QString source = testdocuments::path(QStringLiteral("sample.") + format);

    const reply::DocumentInfo info = s_client->load(source, QStringLiteral("sample"));
    EXPECT_EQ(info.kind, GetParam().kind);
    EXPECT_EQ(info.parts, GetParam().parts);
    EXPECT_GT(info.width, 0);
    EXPECT_GT(info.height, 0);

    // Text documents are one tall part; the others draw each sheet or slide separately.
    const int drawnParts = info.kind == DocumentKind::Text ? 1 : info.parts;
    for (int part = 0; part < drawnParts; ++part) {
        const QImage tile = s_client->renderTile(part, QRect(0, 0, 12000, 6000), QSize(800, 400));
        ASSERT_EQ(tile.size(), QSize(800, 400));
        EXPECT_GT(darkPixels(tile), 50) << "part " << part << " drew no text";
    }

    const QString copy = m_dir.filePath(QStringLiteral("copy.") + format);
    s_client->save(copy, format, QStringLiteral("sample"));
    QFile saved(copy);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(framer::detectContent(saved.read(framer::ContentSampleBytes)),
              format.endsWith(QLatin1Char('x')) ? framer::Content::Package
                                                : framer::Content::Compound);

    const reply::DocumentInfo reopened = s_client->load(copy, QStringLiteral("copy"));
    EXPECT_EQ(reopened.kind, info.kind);
    EXPECT_EQ(reopened.parts, info.parts);
    s_client->close();
}

INSTANTIATE_TEST_SUITE_P(Formats, EngineSampleTest,
                         ::testing::Values(SampleCase{"doc", DocumentKind::Text, 2},
                                           SampleCase{"docx", DocumentKind::Text, 2},
                                           SampleCase{"xls", DocumentKind::Spreadsheet, 2},
                                           SampleCase{"ppt", DocumentKind::Presentation, 3},
                                           SampleCase{"pptx", DocumentKind::Presentation, 3}),
                         [](const auto &info) { return std::string(info.param.format); });

TEST_F(EngineTest, typedText_isInTheSavedDocument_despiteAStaleLockFile)
{
    const QString path = m_dir.filePath(QStringLiteral("sample.docx"));
    ASSERT_TRUE(QFile::copy(testdocuments::path(QStringLiteral("sample.docx")), path));
    // Left behind by an office program that crashed while editing the file.
    QFile lock(m_dir.filePath(QStringLiteral(".~lock.sample.docx#")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(",someone,otherhost,01.01.2020 10:00,someone;\n");
    lock.close();

    s_client->load(path, QStringLiteral("sample.docx"));
    // Posted without waiting, as the view forwards them: saving must still see every key.
    for (char c : QByteArray("Typed")) {
        for (KeyAction action : {KeyAction::Press, KeyAction::Release})
            s_client->post(request::Key{action, c, 0}, [](Reply *, const auto &) {});
    }
    const QString text = m_dir.filePath(QStringLiteral("typed.txt"));
    s_client->save(text, QStringLiteral("txt"), QStringLiteral("sample.docx"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(content.contains(QStringLiteral("TypedQuillary sample page one")))
        << content.toStdString();
    s_client->close();
}

TEST_F(EngineTest, corruptPackage_isRefusedNamingTheFile_andEngineGoesOn)
{
    const QString path = m_dir.filePath(QStringLiteral("broken.docx"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("PK\x03\x04", 4) + QByteArray(5000, '\x11'));
    file.close();
    try {
        s_client->load(path, QStringLiteral("broken.docx"));
        FAIL() << "a corrupt package loaded";
    } catch (const ControlFailure &error) {
        EXPECT_NE(describe(error).find("broken.docx"), std::string::npos) << describe(error);
    }
    EXPECT_TRUE(s_client->isRunning());
    EXPECT_EQ(s_client->load(testdocuments::path("sample.doc"), QStringLiteral("sample.doc")).parts,
              2);
    s_client->close();
}

TEST(EngineSupervision, engineKilledDuringCall_raises_andNextCallStartsAFreshEngine)
{
    EngineClient client(options());
    const QString source = testdocuments::path(QStringLiteral("sample.docx"));
    client.start();
    const qint64 firstPid = client.enginePid();
    ASSERT_GT(firstPid, 0);

    int stopped = 0;
    QObject::connect(&client, &EngineClient::engineStopped, [&] { ++stopped; });
    QTimer::singleShot(0, [&] { ::kill(pid_t(firstPid), SIGKILL); });
    try {
        client.load(source, QStringLiteral("sample.docx"));
        FAIL() << "the call survived its engine";
    } catch (const ControlFailure &error) {
        EXPECT_NE(describe(error).find("意外停止"), std::string::npos) << describe(error);
        EXPECT_NE(describe(error).find("sample.docx"), std::string::npos) << describe(error);
    }
    EXPECT_EQ(stopped, 1);
    EXPECT_FALSE(client.isRunning());

    EXPECT_EQ(client.load(source, QStringLiteral("sample.docx")).parts, 2);
    EXPECT_NE(client.enginePid(), firstPid);
}

TEST(EngineSupervision, callPastItsTimeLimit_raises_andStopsTheEngine)
{
    EngineClient client(options());
    const QString source = testdocuments::path(QStringLiteral("sample.doc"));
    // A freshly started engine spends far longer than a millisecond starting LibreOffice.
    try {
        client.call<reply::DocumentInfo>(request::Load{source}, 1, QStringLiteral("slow.doc"));
        FAIL() << "no timeout";
    } catch (const ControlFailure &error) {
        EXPECT_NE(describe(error).find("未响应"), std::string::npos) << describe(error);
        EXPECT_NE(describe(error).find("slow.doc"), std::string::npos) << describe(error);
    }
    EXPECT_FALSE(client.isRunning());
    EXPECT_EQ(client.load(source, QStringLiteral("sample.doc")).parts, 2);
}

TEST(EngineSupervision, missingEngineProgram_raisesNamingIt)
{
    EngineClient::Options options;
    options.enginePath = QStringLiteral("/nonexistent/quillary-office-engine");
    EngineClient client(options);
    try {
        client.load(QStringLiteral("/tmp/x.doc"), QStringLiteral("x.doc"));
        FAIL() << "a missing engine answered";
    } catch (const ControlFailure &error) {
        EXPECT_NE(describe(error).find("/nonexistent/quillary-office-engine"), std::string::npos)
            << describe(error);
    }
}

// Whatever asks it, and whatever a document names, the engine opens no file outside its work
// folder; the client's load and save hand it copies there.
TEST(EngineConfinement, filesOutsideTheWorkFolder_canBeNeitherReadNorWritten)
{
    if (::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION) < 1)
        GTEST_SKIP() << "this kernel has no Landlock: the engine runs unconfined here";
    QTemporaryDir work;
    QTemporaryDir elsewhere;
    EngineClient::Options confined = options();
    confined.workFolder = work.path();
    confined.temporaryFolder = work.filePath(QStringLiteral("engine"));
    EngineClient client(confined);
    const QString outside = elsewhere.filePath(QStringLiteral("private.docx"));
    ASSERT_TRUE(QFile::copy(testdocuments::path(QStringLiteral("sample.docx")), outside));

    EXPECT_THROW(client.call<reply::DocumentInfo>(request::Load{outside}, 30000), ControlFailure);
    EXPECT_TRUE(client.isRunning());
    ASSERT_EQ(client.load(outside, QStringLiteral("private.docx")).parts, 2);
    try {
        client.call<reply::EditOutcome>(
            request::InsertFile{outside, QStringLiteral("MS Word 2007 XML")}, 30000);
    } catch (const ControlFailure &) {
        // refused outright, or done with nothing read: the text below tells
    }

    const QString written = elsewhere.filePath(QStringLiteral("out.txt"));
    EXPECT_THROW(client.call<reply::Saved>(request::Save{written, QStringLiteral("txt")}, 30000),
                 ControlFailure);
    EXPECT_FALSE(QFile::exists(written));
    client.save(written, QStringLiteral("txt"), QStringLiteral("out.txt"));
    QFile text(written);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    EXPECT_EQ(text.readAll().count("Quillary sample page one"), 1);
}

// What an asynchronous question gets: its reply of the asked type, why there is none when the
// engine answers with another, and nothing at all once the object that asked is gone.
TEST_F(EngineTest, askedWithoutWaiting_answersTheAskerWhileItLives_inTheTypeAsked)
{
    s_client->load(testdocuments::path(QStringLiteral("sample.docx")), QStringLiteral("sample"));
    QObject asker;
    auto gone = std::make_unique<QObject>();
    std::optional<reply::DocumentInfo> info;
    std::optional<EngineClient::Failure> wrongType;
    bool goneWasAnswered = false;
    s_client->ask<reply::DocumentInfo>(
        request::Info{}, &asker, [&](reply::DocumentInfo &reply) { info = reply; },
        [&](const EngineClient::Failure &) { ADD_FAILURE() << "Info was refused"; });
    s_client->ask<reply::Tile>(
        request::Info{}, &asker, [&](reply::Tile &) { ADD_FAILURE() << "Info is no tile"; },
        [&](const EngineClient::Failure &failure) { wrongType = failure; });
    s_client->ask<Reply>(
        request::Info{}, gone.get(), [&](Reply &) { goneWasAnswered = true; },
        [&](const EngineClient::Failure &) { goneWasAnswered = true; });
    gone.reset();
    // Replies come in order: once this one is back, the three before it are too.
    s_client->call<reply::DocumentInfo>(request::Info{}, 30000);

    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->kind, DocumentKind::Text);
    ASSERT_TRUE(wrongType.has_value());
    EXPECT_EQ(wrongType->cause, EngineClient::Failure::Cause::Refused);
    EXPECT_FALSE(goneWasAnswered);
    s_client->close();
}
