#include "form1.h"

#include "controldispatch.h"
#include "deferredbrowser.h"

#include "application.h"
#include "installlayout.h"
#include "messagebox.h"
#include "processlauncher.h"
#include "sequentialfiles.h"
#include "windowspath.h"

#include <quillary/documentcontrol.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>
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

// For the installed-package test, which cannot reach into the window: once List1 holds the
// server's documents, prints its entries and ends the program normally.
class ListProbe : public QObject
{
public:
    ListProbe(QListWidget *list, const QString &serverBase)
        : m_list(list), m_editAddress(serverBase + QStringLiteral("/quillary/webdocedit.asp"))
    {
        connect(list->model(), &QAbstractItemModel::rowsInserted, this, &ListProbe::check);
    }

private:
    void check()
    {
        QStringList entries;
        for (int i = 0; i < m_list->count(); ++i)
            entries << m_list->item(i)->text();
        if (m_done || entries.filter(m_editAddress).isEmpty())
            return;
        m_done = true;
        for (const QString &entry : entries)
            std::printf("List1: %s\n", qPrintable(entry));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

    QListWidget *m_list;
    QString m_editAddress;
    bool m_done = false;
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
    auto *browser = new browserloader::DeferredBrowser(
        platform::browserModulePath(QCoreApplication::applicationDirPath()));
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
    parts.programDirectory = platform::programDirectory(QCoreApplication::applicationDirPath());
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
    std::unique_ptr<ListProbe> listProbe;
    if (qEnvironmentVariableIsSet("QUILLARY_EXIT_WHEN_LISTED"))
        listProbe = std::make_unique<ListProbe>(form.List1, QStringLiteral(QUILLARY_SERVER_BASE));
    form.show();
    return app.exec();
}
