// quillary-demo-launcher: what the menu entry runs. Starts the demo web site for the user when
// SERVER_BASE is this machine and nothing answers there, runs the client, and stops the site
// it started once the client has ended.
#include "sitelauncher.h"

#include "application.h"
#include "messagebox.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setUpApplication(app);
    // The only window is a failure's message box; the launcher goes on after it closes.
    app.setQuitOnLastWindowClosed(false);

    // The client and the site are installed beside the launcher.
    const QDir programs(QCoreApplication::applicationDirPath());
    launcher::LaunchPlan plan;
    plan.serverBase = QUrl(QStringLiteral(QUILLARY_SERVER_BASE));
    plan.clientProgram = programs.filePath(QStringLiteral("quillary-demo"));
    plan.siteProgram = programs.filePath(QStringLiteral("quillary-demo-server"));
    plan.site = launcher::siteFoldersFor(QProcessEnvironment::systemEnvironment());

    platform::QtMessageSink messages;
    launcher::SiteLauncher launcher(plan, messages);
    QObject::connect(&launcher, &launcher::SiteLauncher::finished, &app,
                     [](int exitCode) { QCoreApplication::exit(exitCode); });
    QTimer::singleShot(0, &launcher, &launcher::SiteLauncher::start);
    return app.exec();
}
