// The server document list at 1,000, 10,000 and 100,000 documents: the list builder alone, and
// in the real window the browser's own load time beside the snapshot and the filling of List1.
#include "form1.h"
#include "listbuilder.h"
#include "webenginebrowser.h"

#include "messagebox.h"
#include "processlauncher.h"
#include "sequentialfiles.h"

#include "automation/automationerror.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

// Lines like the demo site's: name, edit link, read link, size and time.
std::string listPage(int documents)
{
    std::string html =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body><h1>文档</h1>";
    for (int id = 1; id <= documents; ++id) {
        const std::string n = std::to_string(id);
        html += "<div>文档" + n + ".doc <a href=\"/quillary/webdocedit.asp?oper=edit&amp;id=" + n +
                "\">编辑</a> <a href=\"/quillary/webdocread.asp?id=" + n +
                "\">阅读</a> 12.0 KB 2026-12-08 10:00:00</div>";
    }
    return html + "</body></html>";
}

void builderOnly(int documents)
{
    std::string text = "文档\r\n";
    std::vector<std::string> links;
    for (int id = 1; id <= documents; ++id) {
        const std::string n = std::to_string(id);
        text += "文档" + n + ".doc 编辑 阅读 12.0 KB 2026-12-08 10:00:00\r\n";
        links.push_back("http://127.0.0.1/quillary/webdocedit.asp?oper=edit&id=" + n);
        links.push_back("http://127.0.0.1/quillary/webdocread.asp?id=" + n);
    }
    std::vector<double> times;
    std::size_t entries = 0;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        entries = doclist::buildDocumentList(text, links).size();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    std::printf("  builder alone        %9.2f ms  (%zu entries, %.1f MB of text)\n", times[2],
                entries, text.size() / 1e6);
}

class NullControl : public automation::Dispatch
{
public:
    automation::Variant invoke(automation::DispId, automation::InvokeKind,
                               const std::vector<automation::Variant> &) override
    {
        return {};
    }
    automation::DispId idOfName(std::string_view name) override
    {
        throw automation::unknownName(name);
    }
};

class SilentMessages : public platform::MessageSink
{
public:
    void MsgBox(const QString &text, int) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
};

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    std::vector<int> sizes = {1000, 10000, 100000};
    if (argc > 1 && std::string(argv[1]) == "--builder-only") {
        for (int documents : sizes) {
            std::printf("%d documents\n", documents);
            builderOnly(documents);
        }
        return 0;
    }
    if (argc > 1)
        sizes = {std::atoi(argv[1])};

    httplib::Server server;
    server.Get(R"(/list/(\d+))", [](const httplib::Request &req, httplib::Response &res) {
        res.set_content(listPage(std::stoi(req.matches[1])), "text/html; charset=utf-8");
    });
    server.set_keep_alive_max_count(1);
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);

    QTemporaryDir dir;
    auto *browser = new browser::WebEngineBrowser;
    SilentMessages messages;
    platform::SystemProcessLauncher launcher;
    platform::SequentialFiles files(dir.path());
    Form1Parts parts;
    parts.serverBase = base;
    parts.quillaryWidget = new QWidget;
    parts.quillaryControl = std::make_shared<NullControl>();
    parts.browser = browser;
    parts.messages = &messages;
    parts.launcher = &launcher;
    parts.files = &files;
    parts.terminate = [] {};
    Form1 form(std::move(parts));
    form.show();
    QSignalSpy first(browser, &browser::WebEngineBrowser::documentCompleted);
    first.wait(60000); // the start-up list page (absent here) and Chromium's start

    QElapsedTimer clock;
    qint64 loadFinishedAt = 0, handlerStart = 0, handlerEnd = 0;
    QObject::connect(browser->view(), &QWebEngineView::loadFinished,
                     [&] { loadFinishedAt = clock.nsecsElapsed(); });
    browser->setDocumentCompleteHandler(
        [&](const automation::Variant &pDisp, const automation::Variant &url) {
            handlerStart = clock.nsecsElapsed();
            form.WebBrowser1_DocumentComplete(pDisp, url);
            handlerEnd = clock.nsecsElapsed();
        });

    std::printf("document list benchmark\n");
    for (int documents : sizes) {
        std::printf("%d documents\n", documents);
        builderOnly(documents);
        double load = 1e18, snapshot = 0, fill = 0;
        for (int run = 0; run < 3; ++run) {
            QSignalSpy done(browser, &browser::WebEngineBrowser::documentCompleted);
            clock.start();
            browser->Navigate2(base + QStringLiteral("/list/%1?run=%2").arg(documents).arg(run));
            if (!done.wait(120000)) {
                std::printf("  page never completed\n");
                server.stop();
                serving.join();
                return 1;
            }
            const double l = loadFinishedAt / 1e6;
            if (l < load) {
                load = l;
                snapshot = (handlerStart - loadFinishedAt) / 1e6;
                fill = (handlerEnd - handlerStart) / 1e6;
            }
        }
        std::printf("  browser load         %9.2f ms  (Navigate2 to load finished)\n", load);
        std::printf("  page snapshot        %9.2f ms  (text and links read once)\n", snapshot);
        std::printf(
            "  DocumentComplete to List1 filled %9.2f ms  = %.0f%% of the load (%d entries)\n",
            fill, 100.0 * fill / load, form.List1->count());
    }
    server.stop();
    serving.join();
    return 0;
}
