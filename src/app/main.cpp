#include "form1.h"

#include "controldispatch.h"
#include "deferredbrowser.h"

#include "application.h"
#include "messagebox.h"
#include "processlauncher.h"
#include "sequentialfiles.h"
#include "windowspath.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

#include <cstdio>
#include <unistd.h>

namespace {

// For the start-up benchmark: reports the first time the main window is exposed, then quits.
class ExposeProbe : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            std::printf("exposed\n");
            std::fflush(stdout);
            ::_exit(0);
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::setUpApplication(app);

    const QString driveC = platform::defaultDriveCRoot();
    quillary::DocumentControl::Options controlOptions;
    controlOptions.saveFolder = driveC;
    auto *control = new quillary::DocumentControl(controlOptions);
    auto *browser = new browserloader::DeferredBrowser(QCoreApplication::applicationDirPath() +
                                                       QStringLiteral("/libquillary-browser.so"));
    platform::QtMessageSink messages;
    platform::SystemProcessLauncher launcher;
    platform::SequentialFiles files(driveC);

    Form1Parts parts;
    parts.serverBase = QStringLiteral(QUILLARY_SERVER_BASE);
    parts.quillaryWidget = control;
    // The window owns the control's widget; the dispatch adapter only refers to it.
    parts.quillaryControl = std::make_shared<framerdispatch::ControlDispatch>(control, driveC);
    parts.browser = browser;
    parts.messages = &messages;
    parts.launcher = &launcher;
    parts.files = &files;
    parts.programDirectory = QCoreApplication::applicationDirPath();
    // Exit ends the program at once: no prompt, no call on the control, no unload processing.
    parts.terminate = [] {
        std::fflush(nullptr);
        ::_exit(0);
    };

    Form1 form(std::move(parts));
    messages.setParent(&form);

    ExposeProbe probe;
    if (qEnvironmentVariableIsSet("QUILLARY_EXIT_ON_EXPOSE")) {
        form.winId();
        form.windowHandle()->installEventFilter(&probe);
    }
    form.show();
    return app.exec();
}
