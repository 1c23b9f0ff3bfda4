#include "fakes.h"

#include "form1.h"
#include "sequentialfiles.h"
#include "webenginebrowser.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <httplib.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

// A loopback web site serving fixed pages, on a port the system picks.
class TestSite
{
public:
    TestSite()
    {
        m_server.Get("/quillary/webdocumentlist.asp", [](const httplib::Request &,
                                                         httplib::Response &res) {
            res.set_content(
                "<!DOCTYPE html><html><head><meta "
                "charset=\"utf-8\"><title>文档列表</title></head><body>"
                "<h1>服务器文档</h1>"
                "<div>report.doc <a href=\"/quillary/webdocedit.asp?oper=edit&amp;id=1\">编辑</a> "
                "<a href=\"/quillary/webdocread.asp?id=1\">阅读</a> 12 KB</div>"
                "<p>sheet.xls <a href=\"/quillary/webdocedit.asp?oper=edit&amp;id=2\">编辑</a> "
                "<a href=\"/quillary/webdocread.asp?id=2\">阅读</a></p>"
                "</body></html>",
                "text/html; charset=utf-8");
        });
        m_server.Get("/mixed.htm", [](const httplib::Request &, httplib::Response &res) {
            res.set_content(
                "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>"
                "first line<br>second line"
                "<table><tr><td>a.doc 编辑 阅读</td></tr><tr><td>b.doc</td><td>x</td></tr></table>"
                "<div>block</div></body></html>",
                "text/html; charset=utf-8");
        });
        // One request per connection, so stopping never waits out a kept-alive connection.
        m_server.set_keep_alive_max_count(1);
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~TestSite()
    {
        m_server.stop();
        m_thread.join();
    }
    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

std::string bodyText(platform::Browser &browser)
{
    auto body = automation::objectProperty(*browser.Document(), "body");
    return automation::invokeByName(*body, "innertext", automation::InvokeKind::PropertyGet)
        .toString();
}

} // namespace

class RealBrowserTest : public ::testing::Test
{
protected:
    bool navigateAndWait(browser::WebEngineBrowser &browser, const QString &url)
    {
        QSignalSpy completed(&browser, &browser::WebEngineBrowser::documentCompleted);
        browser.Navigate2(url);
        return completed.wait(60000);
    }
};

TEST_F(RealBrowserTest, listPage_fillsTheListWithOneEntryPerDocument)
{
    TestSite site;
    QTemporaryDir dir;
    auto *browser = new browser::WebEngineBrowser;
    auto control = std::make_shared<fakes::RecordingDispatch>();
    fakes::RecordingMessages messages;
    fakes::RecordingLauncher launcher;
    platform::SequentialFiles files(dir.path());
    Form1Parts parts;
    parts.serverBase = site.base();
    parts.quillaryWidget = new QWidget;
    parts.quillaryControl = control;
    parts.browser = browser;
    parts.messages = &messages;
    parts.launcher = &launcher;
    parts.files = &files;
    parts.terminate = [] {};

    QSignalSpy completed(browser, &browser::WebEngineBrowser::documentCompleted);
    Form1 form(std::move(parts));
    form.show();
    ASSERT_TRUE(completed.wait(60000)) << "the list page never completed";

    QStringList entries;
    for (int i = 0; i < form.List1->count(); ++i)
        entries << form.List1->item(i)->text();
    EXPECT_EQ(entries,
              QStringList({"report.doc" + site.base() + "/quillary/webdocedit.asp?oper=edit&id=1",
                           "sheet.xls" + site.base() + "/quillary/webdocedit.asp?oper=edit&id=2"}));
    EXPECT_TRUE(messages.shown.empty());

    // An unreachable address: the browser's error page empties the list, and nothing is reported.
    completed.clear();
    browser->Navigate2(QStringLiteral("http://127.0.0.1:1/quillary/webdocumentlist.asp"));
    ASSERT_TRUE(completed.wait(60000));
    EXPECT_EQ(form.List1->count(), 0);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RealBrowserTest, renderedLinesFromBlocksBreaksAndRows_comeAsCrLfLines)
{
    TestSite site;
    browser::WebEngineBrowser browser;
    browser.resize(400, 300);
    browser.show();
    ASSERT_TRUE(navigateAndWait(browser, site.base() + "/mixed.htm"));
    const std::string text = bodyText(browser);
    EXPECT_NE(text.find("first line\r\nsecond line\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("a.doc 编辑 阅读\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("block"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n', 0) == std::string::npos, false);
    for (std::size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        EXPECT_EQ(text[i - 1], '\r') << "every line break is CR LF";
}
