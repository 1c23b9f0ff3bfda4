#include "api/documentcontrol_p.h"
#include "core/controlsession.h"
#include "hostedcontrol.h"
#include "testdocuments.h"
#include "testserver.h"

#include <quillary/documentcontrol.h>

#include <QFile>
#include <QHostAddress>
#include <QLabel>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using quillary::ControlError;
using quillary::DocumentControl;

namespace {

// Stands where the untrusted documents' links point, on 127.0.0.1 only; counts who comes.
class LinkListener
{
public:
    LinkListener()
    {
        m_server.listen(QHostAddress::LocalHost, testdocuments::linkListenerPort());
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_requests;
                socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n"
                              "Connection: close\r\n\r\n");
                socket->disconnectFromHost();
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    bool isListening() const { return m_server.isListening(); }
    int requests() const { return m_requests; }

private:
    QTcpServer m_server;
    int m_requests = 0;
};

class UntrustedDocumentTest : public ::testing::Test
{
protected:
    // A copy in a folder of the test's, as the user's file would be.
    QString copy(const QString &document)
    {
        const QString path = m_dir.filePath(document);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(testdocuments::path(document), path)) << document.toStdString();
        return path;
    }
    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return file.fileName();
    }
    static bool noticeShown(DocumentControl &control)
    {
        return !quillary::DocumentControlPrivate::get(&control)->externalContentNotice->isHidden();
    }

    QTemporaryDir m_dir;
};

// What no refusal may show: a path, or the engine's and LibreOffice's own words.
void expectPlainWords(const ControlError &error, const std::string &what)
{
    const std::string message = error.message.toStdString();
    EXPECT_FALSE(error.message.isEmpty()) << what;
    for (const char *word : {"/", "\\", "tmp", "file:", "LibreOffice", "loadComponentFromURL",
                             ".cxx", "engine", "exception"})
        EXPECT_EQ(message.find(word), std::string::npos) << what << ": " << message;
}

} // namespace

TEST_F(UntrustedDocumentTest, linkedContent_blocked_noRequestOnOpenRecalculateSaveUpload_notice)
{
    LinkListener listener;
    ASSERT_TRUE(listener.isListening()) << "port " << testdocuments::linkListenerPort();
    TestServer server; // where the document is uploaded to
    DocumentControl control(testOptions());
    for (const char *name : {"linked-picture.docx", "linked-picture.fodt", "linked-objects.fodt",
                             "linked-sheet.fods", "remote-html.doc"}) {
        const QString document = QString::fromLatin1(name);
        ASSERT_TRUE(control.open(copy(document)))
            << name << control.lastError().message.toStdString();
        EXPECT_TRUE(noticeShown(control)) << name;
        // Recalculating asks every formula again, web services and other workbooks included.
        const bool sheet = control.documentKind() == quillary::DocumentKind::Spreadsheet;
        if (sheet)
            quillary::DocumentControlPrivate::get(&control)
                ->session->engine()
                .call<engineprotocol::reply::CommandResult>(
                    engineprotocol::request::Uno{QStringLiteral(".uno:CalculateHard"), {}, true},
                    30000);
        EXPECT_TRUE(control.save(m_dir.filePath(document + QLatin1String(sheet ? ".ods" : ".odt"))))
            << name << control.lastError().message.toStdString();
        EXPECT_TRUE(control.upload(server.base() + QStringLiteral("/upload/200")))
            << name << control.lastError().message.toStdString();
        QTest::qWait(200); // a request LibreOffice sent would have arrived by now
        EXPECT_EQ(listener.requests(), 0) << name;
    }
    ASSERT_TRUE(control.open(copy(QStringLiteral("sample.docx"))));
    EXPECT_FALSE(noticeShown(control));
}

// With hosts allowed the engine has a network; LibreOffice's own settings then keep every
// other address out.
TEST_F(UntrustedDocumentTest, linkedContent_fetchedFromAllowedHostsOnly_withoutNotice)
{
    const struct
    {
        QString allowed;
        bool fetched;
    } cases[] = {
        {QStringLiteral("127.0.0.1"), true},
        {QStringLiteral("intranet.invalid"), false},
    };
    for (const auto &c : cases) {
        LinkListener listener;
        ASSERT_TRUE(listener.isListening());
        DocumentControl::Options options = testOptions();
        options.linkedContent = {DocumentControl::Options::LinkedContent::AllowListedHosts,
                                 {c.allowed}};
        DocumentControl control(options);
        for (const char *name : {"linked-picture.docx", "linked-objects.fodt", "remote-html.doc"}) {
            ASSERT_TRUE(control.open(copy(QString::fromLatin1(name))))
                << name << control.lastError().message.toStdString();
            EXPECT_FALSE(noticeShown(control)) << name;
        }
        if (c.fetched)
            EXPECT_TRUE(QTest::qWaitFor([&] { return listener.requests() > 0; }, 10000));
        QTest::qWait(200);
        EXPECT_EQ(listener.requests() > 0, c.fetched) << c.allowed.toStdString();
    }
}

TEST_F(UntrustedDocumentTest, refusedDocuments_sayTheirCauseInPlainWords_andTheShownOneStays)
{
    DocumentControl control(testOptions());
    ASSERT_TRUE(control.open(copy(QStringLiteral("sample.docx"))));
    QByteArray fuzzed = testdocuments::bytes(QStringLiteral("sample.docx"));
    QRandomGenerator random(20);
    for (int i = 0; i < 64; ++i)
        fuzzed[200 + random.bounded(int(fuzzed.size()) - 400)] = char(random.bounded(256));
    QByteArray noise(50000, Qt::Uninitialized);
    for (char &byte : noise)
        byte = char(random.bounded(256));
    const struct
    {
        QString path;
        QList<ControlError::Cause> causes;
    } cases[] = {
        {copy(QStringLiteral("bomb.docx")), {ControlError::TooLarge}},
        {copy(QStringLiteral("damaged.docx")), {ControlError::Damaged}},
        {copy(QStringLiteral("encrypted.odt")), {ControlError::PasswordProtected}},
        {write(QStringLiteral("noise.doc"), noise), {ControlError::NotADocument}},
        // Flipped bytes in a package break its checksums or its directory.
        {write(QStringLiteral("fuzzed.docx"), fuzzed),
         {ControlError::Damaged, ControlError::UnsupportedFormat}},
    };
    for (const auto &c : cases) {
        const std::string name = c.path.section(u'/', -1).toStdString();
        EXPECT_FALSE(control.open(c.path)) << name;
        const ControlError error = control.lastError();
        EXPECT_TRUE(c.causes.contains(error.cause))
            << name << ": " << error.cause << " " << error.detail.toStdString();
        EXPECT_TRUE(error.message.contains(QString::fromStdString(name)))
            << error.message.toStdString();
        expectPlainWords(error, name);
        EXPECT_EQ(control.documentName(), QStringLiteral("sample.docx")) << name;
    }
    // Typed as an address, the bomb is downloaded to a temporary folder first: that stays
    // unsaid too.
    TestServer server;
    server.addFile("/bomb.docx", {testdocuments::bytes(QStringLiteral("bomb.docx")), {}});
    EXPECT_FALSE(control.open(server.base() + QStringLiteral("/bomb.docx")));
    const ControlError error = control.lastError();
    EXPECT_EQ(error.cause, ControlError::TooLarge);
    EXPECT_TRUE(error.message.contains(server.base())) << error.message.toStdString();
    EXPECT_FALSE(error.message.contains(QStringLiteral("/tmp"))) << error.message.toStdString();
    EXPECT_EQ(control.documentName(), QStringLiteral("sample.docx"));
    ASSERT_TRUE(control.open(copy(QStringLiteral("sample.odt"))))
        << control.lastError().message.toStdString();
}

TEST_F(UntrustedDocumentTest, memoryLimit_refusesAsTooLarge_restartsTheEngine_keepsTheShownDocument)
{
    DocumentControl::Options options = testOptions();
    options.engineMemoryLimit = 1LL << 30;
    DocumentControl control(options);
    QSignalSpy recovered(&control, &DocumentControl::documentRecovered);
    ASSERT_TRUE(control.open(copy(QStringLiteral("sample.docx"))));
    EXPECT_FALSE(control.open(copy(QStringLiteral("heavy.docx"))));
    const ControlError error = control.lastError();
    EXPECT_EQ(error.cause, ControlError::TooLarge) << error.detail.toStdString();
    EXPECT_TRUE(error.message.contains(QStringLiteral("heavy.docx")));
    expectPlainWords(error, "heavy.docx");
    ASSERT_TRUE(recovered.wait(60000));
    EXPECT_EQ(control.documentName(), QStringLiteral("sample.docx"));
    EXPECT_TRUE(control.open(copy(QStringLiteral("sample.odt"))))
        << control.lastError().message.toStdString();
}
