#include "webenginebrowser.h"

#include "automation/automationerror.h"

#include <QLoggingCategory>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantMap>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWindow>

#include <strings.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcBrowser, "quillary.browser")

using namespace automation;

namespace browser {

namespace {

// Chromium refuses to run its sandbox as root; the browser is still usable without it.
void prepareChromiumEnvironment()
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

// Reads the rendered text and every link address in one script run, so both views of the page
// come from the same moment.
const char SnapshotScript[] = R"(
(function() {
    var body = document.body;
    var links = [];
    for (var i = 0; i < document.links.length; ++i)
        links.push(document.links[i].href);
    return { hasBody: !!body, text: body ? body.innerText : "", links: links };
})()
)";

} // namespace

WebEngineBrowser::WebEngineBrowser(QWidget *parent) : QWidget(parent)
{
    prepareChromiumEnvironment();
    setObjectName(QStringLiteral("WebBrowser1"));
    setAccessibleName(QStringLiteral("WebBrowser1"));
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QWebEngineView *WebEngineBrowser::view()
{
    if (m_view)
        return m_view;
    m_view = new QWebEngineView(this);
    m_view->setAccessibleName(QStringLiteral("网页"));
    layout()->addWidget(m_view);
    setFocusProxy(m_view);
    connect(m_view, &QWebEngineView::loadStarted, this, [this] { ++m_loadSerial; });
    connect(m_view, &QWebEngineView::loadFinished, this, &WebEngineBrowser::onLoadFinished);
    return m_view;
}

void WebEngineBrowser::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_view || m_waitingForExpose)
        return;
    if (windowExposed()) {
        QTimer::singleShot(0, this, &WebEngineBrowser::startChromium);
    } else if (QWindow *handle = window()->windowHandle()) {
        m_waitingForExpose = true;
        handle->installEventFilter(this);
    }
}

bool WebEngineBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
        watched->removeEventFilter(this);
        // Let the window finish its first paint before Chromium starts.
        QTimer::singleShot(0, this, &WebEngineBrowser::startChromium);
    }
    return false;
}

bool WebEngineBrowser::windowExposed() const
{
    const QWindow *handle = window()->windowHandle();
    return handle && handle->isExposed();
}

void WebEngineBrowser::startChromium()
{
    m_waitingForExpose = false;
    if (m_view)
        return;
    view();
    if (!m_pendingUrl.isEmpty())
        m_view->load(std::exchange(m_pendingUrl, QUrl()));
}

WebEngineBrowser::~WebEngineBrowser() = default;

void WebEngineBrowser::setDocumentCompleteHandler(DocumentCompleteHandler handler)
{
    m_handler = std::move(handler);
}

void WebEngineBrowser::onLoadFinished(bool ok)
{
    const QString url = m_view->url().toString();
    if (!ok)
        qCWarning(lcBrowser) << "load failed:" << url;
    const quint64 serial = m_loadSerial;
    m_view->page()->runJavaScript(
        QString::fromLatin1(SnapshotScript), [this, serial, ok, url](const QVariant &v) {
            if (serial != m_loadSerial)
                return; // a newer load started; its own completion follows
            auto page = std::make_shared<PageSnapshot>();
            const QVariantMap map = v.toMap();
            // The browser's own error page cannot always be scripted; it offers no text or links.
            page->hasBody = map.value(QStringLiteral("hasBody")).toBool() || (!ok && !v.isValid());
            page->bodyText =
                withCrLfLineBreaks(map.value(QStringLiteral("text")).toString().toStdString());
            const QVariantList links = map.value(QStringLiteral("links")).toList();
            page->links.reserve(links.size());
            for (const QVariant &link : links)
                page->links.push_back(link.toString().toStdString());
            completeDocument(std::move(page), url);
        });
}

void WebEngineBrowser::completeDocument(std::shared_ptr<const PageSnapshot> page,
                                        const QString &url)
{
    m_page = std::move(page);
    if (m_handler)
        m_handler(Variant::dispatch(makePageObject(m_page)), Variant::bstr(url.toStdString()));
    emit documentCompleted(url);
}

Variant WebEngineBrowser::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    if (id == DispidNavigate2 && kind == InvokeKind::Method) {
        if (args.empty() || args.size() > 5)
            throw AutomationError(hresult::BadParamCount, "Navigate2 参数个数错误");
        const QUrl url = QUrl::fromUserInput(QString::fromStdString(args[0].toString()));
        if (m_view) {
            m_view->load(url);
        } else {
            m_pendingUrl = url;
            if (windowExposed())
                startChromium();
        }
        return {};
    }
    if (id == DispidDocument && kind != InvokeKind::PropertyPut) {
        requireArgCount(args, 0);
        if (!m_page)
            throw AutomationError(hresult::Fail, "浏览器还没有加载完成的页面");
        return Variant::dispatch(makePageObject(m_page));
    }
    throw AutomationError(hresult::MemberNotFound, "浏览器不支持该成员");
}

DispId WebEngineBrowser::idOfName(std::string_view name)
{
    const std::string key(name);
    if (strcasecmp(key.c_str(), "Navigate2") == 0)
        return DispidNavigate2;
    if (strcasecmp(key.c_str(), "Document") == 0)
        return DispidDocument;
    throw unknownName(name);
}

} // namespace browser
