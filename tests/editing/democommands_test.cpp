// The main window's editing and conversion commands, run against the real document control
// and the bundled demonstration web site, judged by what ends up in the documents and files.

#include "fakes.h"

#include "commandcontext.h"
#include "commands.h"
#include "hostedcontrol.h"
#include "sequentialfiles.h"
#include "widgets/signature/signaturepad.h"

#include "automation/automationerror.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

class DemoCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_server.start(QStringLiteral(QUILLARY_DEMO_SERVER),
                       {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"),
                        m_dir.filePath(QStringLiteral("site"))});
        QByteArray output;
        const QRegularExpression listening(QStringLiteral("listening on (http://127.0.0.1:\\d+)"));
        while (m_base.isEmpty() && m_server.waitForReadyRead(30000)) {
            output += m_server.readAllStandardOutput();
            m_base = listening.match(QString::fromUtf8(output)).captured(1);
        }
        ASSERT_FALSE(m_base.isEmpty()) << output.toStdString();

        quillary::DocumentControl::Options options = testOptions();
        options.network = &m_network;
        m_control = std::make_unique<HostedControl>(options, driveC());
        // The window owns the control; the proxy only borrows its dispatch adapter.
        m_quillary =
            std::make_unique<clientcore::QuillaryControl>(std::shared_ptr<automation::Dispatch>(
                &m_control->dispatch, [](automation::Dispatch *) {}));
        m_context = std::make_unique<clientcore::CommandContext>(
            clientcore::CommandContext{*m_quillary, m_state, m_messages, m_base});
    }
    void TearDown() override
    {
        m_context.reset();
        m_quillary.reset();
        m_control.reset();
        m_server.terminate();
        m_server.waitForFinished(10000);
    }

    QString driveC() const { return m_dir.filePath(QStringLiteral("drive_c")); }
    void openServerDocument(int id)
    {
        m_quillary->OpenDocument(automation::Variant::bstr(
            (m_base + QStringLiteral("/quillary/writefile.asp?id=%1&operfile=office").arg(id))
                .toStdString()));
    }
    QString saved(const char *format)
    {
        const QString path =
            m_dir.filePath(QStringLiteral("saved-%1.%2").arg(++m_saves).arg(format));
        m_control->engine().save(path, QString::fromLatin1(format), QStringLiteral("test"));
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_base;
    QNetworkAccessManager m_network;
    std::unique_ptr<HostedControl> m_control;
    std::unique_ptr<clientcore::QuillaryControl> m_quillary;
    clientcore::MainWindowState m_state;
    fakes::RecordingMessages m_messages;
    std::unique_ptr<clientcore::CommandContext> m_context;
    int m_saves = 0;
};

TEST_F(DemoCommandsTest, editingButtons_onTheWordSample_doWhatTheirCaptionsSay)
{
    openServerDocument(1);
    const QString original = saved("txt");
    ASSERT_TRUE(original.contains(QLatin1Char('c')));

    doccontrol::replaceContent(*m_context);
    EXPECT_FALSE(saved("txt").contains(QLatin1Char('c')));

    doccontrol::insertRemotePicture(*m_context);
    doccontrol::stamp(*m_context);
    signWhenAsked();
    doccontrol::handwrittenSignature(*m_context);
    EXPECT_TRUE(QFile::exists(driveC() + QStringLiteral("/Sign.bmp")));
    const QString program = m_dir.filePath(QStringLiteral("program"));
    QDir().mkpath(program);
    platform::SequentialFiles files(driveC());
    doccontrol::insertTable(*m_context, files, program);

    const QString xml = saved("fodt");
    // The photo, the stamp and the signature, one after the other at the mark.
    EXPECT_EQ(xml.count(QLatin1String("<draw:image")), 3);
    EXPECT_EQ(xml.count(QRegularExpression(QStringLiteral("<text:bookmark[^>]*\"mark_1"))), 1);
    EXPECT_EQ(xml.count(QLatin1String("<table:table-row")), 6);

    doccontrol::protectDocument(*m_context);
    const QString locked = saved("txt");
    EXPECT_THROW(doccontrol::replaceContent(*m_context), automation::AutomationError);
    doccontrol::insertTable(*m_context, files, program);
    EXPECT_EQ(saved("txt"), locked);
    doccontrol::unprotectDocument(*m_context);
    doccontrol::insertTable(*m_context, files, program);
    EXPECT_EQ(saved("fodt").count(QLatin1String("<table:table-row")), 12);

    doccontrol::wordToPdf(*m_context);
    EXPECT_FALSE(pdfText(driveC() + QStringLiteral("/a.pdf")).trimmed().isEmpty());
    EXPECT_EQ(m_messages.texts().last(),
              QStringLiteral("已将当前WORD文档转为PDF后，放于C根目录下a.pdf"));
}

TEST_F(DemoCommandsTest, excelButton_onTheWorkbookSample_writesTheActiveSheet_andWordButtonFails)
{
    openServerDocument(3);
    doccontrol::excelToPdf(*m_context);
    EXPECT_FALSE(pdfText(driveC() + QStringLiteral("/excel.pdf")).trimmed().isEmpty());
    using namespace engineprotocol;
    const auto state = m_control->engine().call<reply::SheetList>(request::Sheets{}, 30000);
    for (const auto &sheet : state.sheets)
        EXPECT_TRUE(sheet.visible) << sheet.name.toStdString();

    openServerDocument(1);
    const auto before = m_messages.shown.size();
    EXPECT_THROW(doccontrol::excelToPdf(*m_context), automation::AutomationError);
    // The opening message only: no closing message follows a failure.
    EXPECT_EQ(m_messages.shown.size(), before + 1);
}

} // namespace
