#pragma once

#include <QObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace platform {
class MessageSink;
}

namespace launcher {

// The demo web site the launcher may start for SERVER_BASE: only a plain-http loopback address
// is this machine, so only there. "localhost" becomes 127.0.0.1, as the site takes numeric
// addresses only.
struct LocalSite
{
    QString address;
    int port = 0;
};
std::optional<LocalSite> localSiteFor(const QUrl &serverBase);

// The user's folders for the site it starts: data under $XDG_DATA_HOME, the log under
// $XDG_STATE_HOME; each falls back to its default under $HOME when unset or not absolute.
struct SiteFolders
{
    QString dataDir;
    QString logFile;
};
SiteFolders siteFoldersFor(const QProcessEnvironment &environment);

struct LaunchPlan
{
    QUrl serverBase;
    QString clientProgram;
    QStringList clientArguments;
    QString siteProgram;
    SiteFolders site;
};

// What answers at SERVER_BASE before anything is started.
enum class SiteProbe { SiteAnswers, NothingListens, OtherProgram };

// Runs the client. When SERVER_BASE is local and no site answers there, starts the demo web site
// first, waits until it answers, and stops it once the client has ended; a site that was already
// there is used as it is and left running. Another program answering there, or a site that
// cannot start, is reported in a message box and the client is not started.
class SiteLauncher : public QObject
{
    Q_OBJECT
public:
    SiteLauncher(LaunchPlan plan, platform::MessageSink &messages, QObject *parent = nullptr);
    ~SiteLauncher() override;

    void start();

signals:
    // The client's exit code, or 1 when the site or the client could not be started.
    void finished(int exitCode);

private:
    void probe(std::function<void(SiteProbe)> done);
    void startSite(const LocalSite &site);
    void checkSiteAnswers();
    void siteEnded();
    void runClient();
    void clientEnded(int exitCode, QProcess::ExitStatus status);
    void fail(const QString &message);
    void stopSite();
    QString siteOutputSinceStart() const;

    LaunchPlan m_plan;
    platform::MessageSink &m_messages;
    QNetworkAccessManager *m_network;
    QProcess *m_site = nullptr;   // owned; deleted later, as it may be the signal's sender
    QProcess *m_client = nullptr; // owned
    QTimer m_retry;
    qint64 m_logOffset = 0;
    qint64 m_waitDeadline = 0;
    bool m_done = false;
};

} // namespace launcher
