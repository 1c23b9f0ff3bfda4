#include "realcontrol.h"

#include "testdocuments.h"

#include "automation/automationerror.h"
#include "controldispids.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>

using automation::Variant;
namespace dispid = controlcontract::dispid;

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

void RealControlTest::SetUpTestSuite()
{
    s_files = new QTemporaryDir;
    s_dialogs = new ScriptedFileDialogs;
    s_network = new QNetworkAccessManager;
    s_server = new TestServer;
    quillary::DocumentControl::Options options = testOptions();
    options.network = s_network;
    options.fileDialogs = s_dialogs;
    options.keptRecoveryFolder = keptFolder();
    s_control = new HostedControl(options, folder(QStringLiteral("drive_c")));
    s_server->addFile("/quillary/writefile.asp",
                      {testdocuments::bytes(QStringLiteral("sample.docx")),
                       "attachment; filename=\"报告.docx\""});
}

void RealControlTest::TearDownTestSuite()
{
    delete s_control;
    delete s_network;
    delete s_server;
    delete s_dialogs;
    delete s_files;
}

void RealControlTest::SetUp()
{
    s_control->widget.closeDocument();
}

Variant RealControlTest::call(automation::DispId id, std::vector<Variant> args,
                              automation::InvokeKind kind)
{
    return s_control->call(id, std::move(args), kind);
}

Variant RealControlTest::str(const QString &text)
{
    return Variant::bstr(text.toStdString());
}

std::string RealControlTest::errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const automation::AutomationError &error) {
        return error.description();
    }
    return "<no error>";
}

QString RealControlTest::folder(const QString &name)
{
    const QString path = s_files->filePath(name);
    QDir().mkpath(path);
    return path;
}

void RealControlTest::openCopy(const QString &document)
{
    const QString path = folder(QStringLiteral("documents")) + QLatin1Char('/') + document;
    QFile::remove(path);
    ASSERT_TRUE(QFile::copy(testdocuments::path(document), path));
    call(dispid::OpenDocument, {str(path)});
}

void RealControlTest::type(const QString &text)
{
    QTest::keyClicks(&s_control->view(), text);
}

QString RealControlTest::documentText()
{
    const QString path = folder(QStringLiteral("text")) + QStringLiteral("/%1.txt").arg(++s_saved);
    s_dialogs->saveAnswer = path;
    call(dispid::ShowFileDialog, {Variant::i4(3)});
    return QString::fromUtf8(readAll(path));
}

void RealControlTest::killEngine()
{
    ASSERT_GT(s_control->engine().enginePid(), 0);
    ::kill(pid_t(s_control->engine().enginePid()), SIGKILL);
}
