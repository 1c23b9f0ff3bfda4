#include "samples.h"

#include "automation/automationerror.h"
#include "framer/documentfilecheck.h"
#include "framer/engineclient.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>

using framer::EngineClient;
using testsamples::sample;

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

std::string describe(const automation::AutomationError &error)
{
    return error.description();
}

// One engine for every test of a fixture: starting LibreOffice is the slow part.
class EngineTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        EngineClient::Options options;
        options.profileRoot = testsamples::cacheDir() + QStringLiteral("/profiles");
        s_client = new EngineClient(options);
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

class EngineSampleTest : public EngineTest, public ::testing::WithParamInterface<const char *>
{
};

} // namespace

TEST_P(EngineSampleTest, load_drawsEveryPart_andSavedCopyReopens)
{
    const QString format = QString::fromLatin1(GetParam());
    const auto source = sample(format);
    ASSERT_FALSE(source.path.isEmpty()) << "LibreOffice did not convert a sample to " << GetParam();

    const framer::DocumentInfo info = s_client->load(source.path, QStringLiteral("sample"));
    EXPECT_EQ(engineprotocol::documentKindName(info.kind), source.kind);
    EXPECT_EQ(info.parts, source.expectedParts);
    EXPECT_GT(info.width, 0);
    EXPECT_GT(info.height, 0);

    // Text documents are one tall part; the others draw each sheet or slide separately.
    const int drawnParts = info.kind == engineprotocol::DocumentKind::Text ? 1 : info.parts;
    for (int part = 0; part < drawnParts; ++part) {
        const QImage tile = s_client->renderTile(part, QRect(0, 0, 12000, 6000), QSize(800, 400));
        ASSERT_EQ(tile.size(), QSize(800, 400));
        EXPECT_GT(darkPixels(tile), 50) << "part " << part << " drew no text";
    }

    const QString copy = m_dir.filePath(QStringLiteral("copy.") + format);
    s_client->save(copy, format, QStringLiteral("sample"));
    QFile saved(copy);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(framer::detectSignature(saved.read(16)), format.endsWith(QLatin1Char('x'))
                                                           ? framer::FileSignature::Zip
                                                           : framer::FileSignature::Ole2);

    const framer::DocumentInfo reopened = s_client->load(copy, QStringLiteral("copy"));
    EXPECT_EQ(reopened.kind, info.kind);
    EXPECT_EQ(reopened.parts, info.parts);
    s_client->close();
}

INSTANTIATE_TEST_SUITE_P(Formats, EngineSampleTest,
                         ::testing::Values("doc", "docx", "xls", "ppt", "pptx"));

TEST_F(EngineTest, typedText_isInTheSavedDocument_despiteAStaleLockFile)
{
    const auto source = sample(QStringLiteral("docx"));
    ASSERT_FALSE(source.path.isEmpty());
    const QString path = m_dir.filePath(QStringLiteral("sample.docx"));
    ASSERT_TRUE(QFile::copy(source.path, path));
    // Left behind by an office program that crashed while editing the file.
    QFile lock(m_dir.filePath(QStringLiteral(".~lock.sample.docx#")));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(",someone,otherhost,01.01.2020 10:00,someone;\n");
    lock.close();

    s_client->load(path, QStringLiteral("sample.docx"));
    // Posted without waiting, as the view forwards them: saving must still see every key.
    for (char c : QByteArray("Typed")) {
        for (int action : {0, 1})
            s_client->post(QStringLiteral("key"),
                           {{"action", action}, {"char", int(c)}, {"key", 0}},
                           [](const engineprotocol::Message *, const QString &) {});
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
    } catch (const automation::AutomationError &error) {
        EXPECT_NE(describe(error).find("broken.docx"), std::string::npos) << describe(error);
    }
    EXPECT_TRUE(s_client->isRunning());
    const auto good = sample(QStringLiteral("doc"));
    EXPECT_EQ(s_client->load(good.path, QStringLiteral("sample.doc")).parts, good.expectedParts);
    s_client->close();
}

TEST(EngineSupervision, engineKilledDuringCall_raises_andNextCallStartsAFreshEngine)
{
    EngineClient::Options options;
    options.profileRoot = testsamples::cacheDir() + QStringLiteral("/profiles");
    EngineClient client(options);
    const auto source = sample(QStringLiteral("docx"));
    ASSERT_FALSE(source.path.isEmpty());
    client.start();
    const qint64 firstPid = client.enginePid();
    ASSERT_GT(firstPid, 0);

    int stopped = 0;
    QObject::connect(&client, &EngineClient::engineStopped, [&] { ++stopped; });
    QTimer::singleShot(0, [&] { ::kill(pid_t(firstPid), SIGKILL); });
    try {
        client.load(source.path, QStringLiteral("sample.docx"));
        FAIL() << "the call survived its engine";
    } catch (const automation::AutomationError &error) {
        EXPECT_NE(describe(error).find("意外停止"), std::string::npos) << describe(error);
        EXPECT_NE(describe(error).find("sample.docx"), std::string::npos) << describe(error);
    }
    EXPECT_EQ(stopped, 1);
    EXPECT_FALSE(client.isRunning());

    EXPECT_EQ(client.load(source.path, QStringLiteral("sample.docx")).parts, source.expectedParts);
    EXPECT_NE(client.enginePid(), firstPid);
}

TEST(EngineSupervision, callPastItsTimeLimit_raises_andStopsTheEngine)
{
    EngineClient::Options options;
    options.profileRoot = testsamples::cacheDir() + QStringLiteral("/profiles");
    EngineClient client(options);
    const auto source = sample(QStringLiteral("doc"));
    ASSERT_FALSE(source.path.isEmpty());
    // A freshly started engine spends far longer than a millisecond starting LibreOffice.
    try {
        client.call(QStringLiteral("load"), {{"path", source.path}}, 1, QStringLiteral("slow.doc"));
        FAIL() << "no timeout";
    } catch (const automation::AutomationError &error) {
        EXPECT_NE(describe(error).find("未响应"), std::string::npos) << describe(error);
        EXPECT_NE(describe(error).find("slow.doc"), std::string::npos) << describe(error);
    }
    EXPECT_FALSE(client.isRunning());
    EXPECT_EQ(client.load(source.path, QStringLiteral("sample.doc")).parts, source.expectedParts);
}

TEST(EngineSupervision, missingEngineProgram_raisesNamingIt)
{
    EngineClient::Options options;
    options.enginePath = QStringLiteral("/nonexistent/quillary-office-engine");
    EngineClient client(options);
    try {
        client.load(QStringLiteral("/tmp/x.doc"), QStringLiteral("x.doc"));
        FAIL() << "a missing engine answered";
    } catch (const automation::AutomationError &error) {
        EXPECT_NE(describe(error).find("/nonexistent/quillary-office-engine"), std::string::npos)
            << describe(error);
    }
}
