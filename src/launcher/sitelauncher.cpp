#include "sitelauncher.h"

#include "messagebox.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcLauncher, "quillary.launcher")

namespace launcher {

namespace {

constexpr int probeTimeoutMs = 3000;
constexpr int retryIntervalMs = 100;
constexpr int siteStartLimitMs = 60000;
constexpr int siteStopLimitMs = 10000;

QString listPage(const QUrl &serverBase)
{
    return serverBase.toString(QUrl::StripTrailingSlash) +
           QStringLiteral("/quillary/webdocumentlist.asp");
}

QString folderFrom(const QProcessEnvironment &environment, const QString &variable,
                   const QString &fallbackUnderHome)
{
    const QString value = environment.value(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(environment.value(QStringLiteral("HOME"), QDir::homePath()) +
                           QLatin1Char('/') + fallbackUnderHome);
}

// A launcher that dies without ending its children (killed, logged out) takes them along.
void endWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}

QString lastLine(const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

} // namespace

std::optional<LocalSite> localSiteFor(const QUrl &serverBase)
{
    if (!serverBase.isValid() || serverBase.scheme() != QLatin1String("http"))
        return std::nullopt;
    const QString host = serverBase.host();
    QHostAddress address;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host) || !address.isLoopback())
        return std::nullopt;
    return LocalSite{address.toString(), serverBase.port(80)};
}

SiteFolders siteFoldersFor(const QProcessEnvironment &environment)
{
    const QString data =
        folderFrom(environment, QStringLiteral("XDG_DATA_HOME"), QStringLiteral(".local/share"));
    const QString state =
        folderFrom(environment, QStringLiteral("XDG_STATE_HOME"), QStringLiteral(".local/state"));
    return {data + QStringLiteral("/quillary/server"),
            state + QStringLiteral("/quillary/demo-server.log")};
}

SiteLauncher::SiteLauncher(LaunchPlan plan, platform::MessageSink &messages, QObject *parent)
    : QObject(parent), m_plan(std::move(plan)), m_messages(messages),
      m_network(new QNetworkAccessManager(this))
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &SiteLauncher::checkSiteAnswers);
}

SiteLauncher::~SiteLauncher()
{
    if (m_client) {
        m_client->disconnect(this);
        m_client->kill();
        m_client->waitForFinished(siteStopLimitMs);
    }
    stopSite();
}

void SiteLauncher::start()
{
    const auto site = localSiteFor(m_plan.serverBase);
    if (!site) {
        runClient();
        return;
    }
    probe([this, site = *site](SiteProbe result) {
        switch (result) {
        case SiteProbe::SiteAnswers:
            qCInfo(lcLauncher) << "a site already answers at" << m_plan.serverBase;
            runClient();
            break;
        case SiteProbe::NothingListens:
            startSite(site);
            break;
        case SiteProbe::OtherProgram:
            // Starting a site there either fails or, with a program that lets others share its
            // port, splits the requests between the two.
            fail(QStringLiteral("演示网站无法在 %1 启动：该端口已被其他程序占用。\n"
                                "请关闭占用端口 %2 的程序后再试。")
                     .arg(m_plan.serverBase.toString())
                     .arg(site.port));
            break;
        }
    });
}

void SiteLauncher::probe(std::function<void(SiteProbe)> done)
{
    QNetworkRequest request{QUrl(listPage(m_plan.serverBase))};
    request.setTransferTimeout(probeTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() == QNetworkReply::NoError && status == 200)
            done(SiteProbe::SiteAnswers);
        else if (reply->error() == QNetworkReply::ConnectionRefusedError)
            done(SiteProbe::NothingListens);
        else
            done(SiteProbe::OtherProgram);
    });
}

void SiteLauncher::startSite(const LocalSite &site)
{
    QDir().mkpath(QFileInfo(m_plan.site.logFile).absolutePath());
    m_logOffset = QFileInfo(m_plan.site.logFile).size();

    m_site = new QProcess(this);
    m_site->setProgram(m_plan.siteProgram);
    m_site->setArguments({QStringLiteral("--address"), site.address, QStringLiteral("--port"),
                          QString::number(site.port), QStringLiteral("--data"),
                          m_plan.site.dataDir});
    m_site->setProcessChannelMode(QProcess::MergedChannels);
    m_site->setStandardOutputFile(m_plan.site.logFile, QIODevice::Append);
    m_site->setStandardInputFile(QProcess::nullDevice());
    m_site->setChildProcessModifier(endWithParent);
    connect(m_site, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("无法启动演示网站程序 %1：%2")
                     .arg(m_plan.siteProgram, m_site->errorString()));
    });
    connect(m_site, &QProcess::finished, this, &SiteLauncher::siteEnded);

    qCInfo(lcLauncher) << "starting" << m_plan.siteProgram << m_site->arguments() << "log"
                       << m_plan.site.logFile;
    m_waitDeadline = QDeadlineTimer(siteStartLimitMs).deadline();
    m_site->start();
    m_retry.start();
}

void SiteLauncher::checkSiteAnswers()
{
    if (m_done || m_client || !m_site || m_site->state() == QProcess::NotRunning)
        return;
    probe([this](SiteProbe result) {
        if (m_done || m_client || !m_site || m_site->state() == QProcess::NotRunning)
            return;
        if (result == SiteProbe::SiteAnswers) {
            qCInfo(lcLauncher) << "the site answers at" << m_plan.serverBase;
            runClient();
        } else if (QDeadlineTimer(m_waitDeadline).hasExpired()) {
            fail(QStringLiteral("演示网站在 %1 没有应答。\n详见日志 %2")
                     .arg(m_plan.serverBase.toString(), m_plan.site.logFile));
        } else {
            m_retry.start();
        }
    });
}

void SiteLauncher::siteEnded()
{
    if (m_done || m_client)
        return;
    const QString said = lastLine(siteOutputSinceStart());
    QString message = QStringLiteral("演示网站无法在 %1 启动。").arg(m_plan.serverBase.toString());
    if (!said.isEmpty())
        message += QLatin1Char('\n') + said;
    message += QStringLiteral("\n详见日志 %1").arg(m_plan.site.logFile);
    fail(message);
}

void SiteLauncher::runClient()
{
    m_client = new QProcess(this);
    m_client->setProgram(m_plan.clientProgram);
    m_client->setArguments(m_plan.clientArguments);
    m_client->setProcessChannelMode(QProcess::ForwardedChannels);
    m_client->setInputChannelMode(QProcess::ForwardedInputChannel);
    m_client->setChildProcessModifier(endWithParent);
    connect(m_client, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("无法启动 %1：%2")
                     .arg(m_plan.clientProgram, m_client->errorString()));
    });
    connect(m_client, &QProcess::finished, this, &SiteLauncher::clientEnded);
    m_client->start();
}

void SiteLauncher::clientEnded(int exitCode, QProcess::ExitStatus status)
{
    if (m_done)
        return;
    m_done = true;
    stopSite();
    emit finished(status == QProcess::NormalExit ? exitCode : 1);
}

void SiteLauncher::fail(const QString &message)
{
    if (m_done)
        return;
    m_done = true;
    m_retry.stop();
    qCWarning(lcLauncher).noquote() << message;
    stopSite();
    m_messages.MsgBox(message);
    emit finished(1);
}

void SiteLauncher::stopSite()
{
    if (!m_site)
        return;
    m_site->disconnect(this);
    if (m_site->state() != QProcess::NotRunning) {
        m_site->terminate();
        if (!m_site->waitForFinished(siteStopLimitMs)) {
            qCWarning(lcLauncher) << "the site did not stop; killing it";
            m_site->kill();
            m_site->waitForFinished(siteStopLimitMs);
        }
    }
    m_site->deleteLater();
    m_site = nullptr;
}

QString SiteLauncher::siteOutputSinceStart() const
{
    QFile log(m_plan.site.logFile);
    if (!log.open(QIODevice::ReadOnly) || !log.seek(m_logOffset))
        return {};
    return QString::fromUtf8(log.readAll());
}

} // namespace launcher
