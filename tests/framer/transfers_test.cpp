#include "testserver.h"

#include "core/controlfailure.h"
#include "core/transfers.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using framer::downloadFile;
using framer::uploadFile;

namespace {

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (char &c : bytes)
        c = static_cast<char>(generator.bounded(256));
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class TransfersTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QStringList filesInFolder() const
    {
        return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    TestServer m_server;
    QNetworkAccessManager m_network;
    QTemporaryDir m_dir;
};

} // namespace

TEST(Transfers, fileNameFromContentDisposition_readsEachForm)
{
    const struct
    {
        QByteArray header;
        const char *expected;
    } cases[] = {
        {"attachment; filename=\"report.doc\"", "report.doc"},
        {"attachment; filename=plain.xls", "plain.xls"},
        {"attachment; filename*=UTF-8''%E6%96%87%E6%A1%A3.docx", "文档.docx"},
        {"attachment; filename=\"fallback.doc\"; filename*=UTF-8''%E6%96%B0.doc", "新.doc"},
        {"attachment; filename=\"%E6%96%87.doc\"", "文.doc"},
        {"attachment; filename=\"..\\\\..\\\\evil.doc\"", "evil.doc"},
        {"attachment; filename=\"../../etc/passwd\"", "passwd"},
        {"attachment; filename=\"..\"", ""},
        {"inline", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::fileNameFromContentDisposition(c.header), QString::fromUtf8(c.expected))
            << c.header.toStdString();
}

TEST(Transfers, fileNameFromAddress_takesTheLastSegment)
{
    const struct
    {
        const char *address;
        const char *expected;
    } cases[] = {
        {"http://host/quillary/temp/file1.doc", "file1.doc"},
        {"http://host/quillary/writefile.asp?id=3&operfile=office", "writefile.asp"},
        {"http://host/a/%E6%96%87.doc", "文.doc"},
        {"http://host/", ""},
        {"/home/user/docs/plan.docx", "plan.docx"},
        {"c:\\\\docs\\\\plan.doc", "plan.doc"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(framer::fileNameFromAddress(QString::fromUtf8(c.address)),
                  QString::fromUtf8(c.expected))
            << c.address;
}

TEST_F(TransfersTest, download_writesTheWholeBody_namesItFromTheServer_andKeepsTheWindowAlive)
{
    const QByteArray body = randomBytes(3 * 1024 * 1024 + 17);
    m_server.addFile("/files/data.bin", {body, "attachment; filename=\"服务器名.doc\""});
    bool eventsRan = false;
    QTimer::singleShot(0, [&] { eventsRan = true; });
    qint64 lastDone = -1;
    qint64 lastTotal = -1;

    const QString target = m_dir.filePath(QStringLiteral("target.doc"));
    const auto result = downloadFile(m_network, QUrl(m_server.base() + "/files/data.bin"), target,
                                     [&](qint64 done, qint64 total) {
                                         lastDone = done;
                                         lastTotal = total;
                                     });
    EXPECT_EQ(readAll(target), body);
    EXPECT_EQ(result.fileName, QStringLiteral("服务器名.doc"));
    EXPECT_EQ(result.bytes, body.size());
    EXPECT_EQ(lastDone, body.size());
    EXPECT_EQ(lastTotal, body.size());
    EXPECT_TRUE(eventsRan) << "the download did not run the event loop";
    EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("target.doc")});
}

TEST_F(TransfersTest, failedDownload_raisesNamingTheAddress_andLeavesTheOldFileAlone)
{
    const QByteArray body = randomBytes(512 * 1024);
    m_server.addFile("/files/cut.doc", {body, {}, 100 * 1024});
    const struct
    {
        const char *path;
        const char *cause;
    } cases[] = {
        {"/files/missing.doc", "404"},
        {"/status/500", "500"},
        {"/files/cut.doc", "连接"},
    };
    const QString target = m_dir.filePath(QStringLiteral("file1.doc"));
    for (const auto &c : cases) {
        {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("previous version");
        }
        const QString address = m_server.base() + QString::fromLatin1(c.path);
        try {
            downloadFile(m_network, QUrl(address), target);
            ADD_FAILURE() << c.path << " downloaded";
        } catch (const framer::ControlFailure &failure) {
            const QString text = failure.error.message;
            EXPECT_TRUE(text.contains(address)) << text.toStdString();
            EXPECT_TRUE(text.contains(QString::fromUtf8(c.cause))) << text.toStdString();
        }
        EXPECT_EQ(readAll(target), QByteArray("previous version")) << c.path;
        EXPECT_EQ(filesInFolder(), QStringList{QStringLiteral("file1.doc")}) << c.path;
        QFile::remove(target);
    }
}

TEST_F(TransfersTest, cutDownload_withoutAnOldFile_leavesNoFileAtAll)
{
    m_server.addFile("/files/cut.doc", {randomBytes(1024 * 1024), {}, 300 * 1024});
    const QString target = m_dir.filePath(QStringLiteral("fresh.doc"));
    EXPECT_THROW(downloadFile(m_network, QUrl(m_server.base() + "/files/cut.doc"), target),
                 framer::ControlFailure);
    EXPECT_TRUE(filesInFolder().isEmpty()) << filesInFolder().join(' ').toStdString();
}

TEST_F(TransfersTest, badAddresses_areRefusedBeforeAnyRequest)
{
    for (const char *address : {"", "ftp://127.0.0.1/file.doc", "not an address"}) {
        try {
            downloadFile(m_network, QUrl(QString::fromLatin1(address)),
                         m_dir.filePath(QStringLiteral("x.doc")));
            ADD_FAILURE() << address;
        } catch (const framer::ControlFailure &failure) {
            EXPECT_TRUE(failure.error.message.contains(QStringLiteral("不是有效的")))
                << failure.error.message.toStdString();
        }
    }
    EXPECT_TRUE(filesInFolder().isEmpty());
}

TEST_F(TransfersTest, upload_deliversTheBytesInOneFileField)
{
    const QByteArray body = randomBytes(700 * 1024);
    const QString path = m_dir.filePath(QStringLiteral("upload.docx"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(body);
    }
    const QByteArray answer = uploadFile(m_network, QUrl(m_server.base() + "/upload/200"), path,
                                         QStringLiteral("文档.docx"));
    EXPECT_EQ(answer, QByteArray("saved"));
    const auto upload = m_server.lastUpload();
    EXPECT_EQ(upload.field, "file");
    EXPECT_EQ(QString::fromStdString(upload.fileName), QStringLiteral("文档.docx"));
    EXPECT_EQ(upload.bytes, body);
}

TEST_F(TransfersTest, refusedUpload_raisesWithTheStatusAndTheServersText)
{
    const QString path = m_dir.filePath(QStringLiteral("upload.doc"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("content");
    }
    const struct
    {
        QString address;
        const char *fragments[2];
    } cases[] = {
        {m_server.base() + "/upload/500", {"500", "upload refused by test"}},
        {m_server.base() + "/upload/302", {"302", "upload refused by test"}},
        {m_server.base() + "/nowhere", {"404", ""}},
        {QStringLiteral("http://127.0.0.1:1/upload"), {"上传到", "无法连接服务器"}},
    };
    for (const auto &c : cases) {
        try {
            uploadFile(m_network, QUrl(c.address), path, QStringLiteral("upload.doc"));
            ADD_FAILURE() << c.address.toStdString() << " accepted";
        } catch (const framer::ControlFailure &failure) {
            const QString text = failure.error.message;
            EXPECT_TRUE(text.contains(c.address)) << text.toStdString();
            for (const char *fragment : c.fragments)
                EXPECT_TRUE(text.contains(QString::fromUtf8(fragment))) << text.toStdString();
        }
    }
    EXPECT_EQ(m_server.uploads(), 0);
}
