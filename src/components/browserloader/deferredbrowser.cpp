#include "deferredbrowser.h"

#include "automation/automationerror.h"

#include <QLabel>
#include <QLibrary>
#include <QLoggingCategory>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

Q_LOGGING_CATEGORY(lcBrowserLoader, "quillary.browser.loader")

using namespace automation;

namespace browserloader {

namespace {
using CreateBrowser = platform::Browser *(*)(QWidget *parent);
}

DeferredBrowser::DeferredBrowser(QString modulePath, QWidget *parent)
    : QWidget(parent), m_modulePath(std::move(modulePath))
{
    setObjectName(QStringLiteral("WebBrowser1"));
    setAccessibleName(QStringLiteral("WebBrowser1"));
    setFocusPolicy(Qt::StrongFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void DeferredBrowser::setDocumentCompleteHandler(DocumentCompleteHandler handler)
{
    m_handler = std::move(handler);
    if (m_browser)
        m_browser->setDocumentCompleteHandler(m_handler);
}

void DeferredBrowser::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_browser || m_waiting || !m_loadError.isEmpty())
        return;
    QWindow *handle = window()->windowHandle();
    m_waiting = true;
    if (handle && handle->isExposed())
        QTimer::singleShot(0, this, &DeferredBrowser::loadBrowser);
    else if (handle)
        handle->installEventFilter(this);
}

bool DeferredBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
        watched->removeEventFilter(this);
        // Let the window finish its first paint before the browser's libraries load.
        QTimer::singleShot(0, this, &DeferredBrowser::loadBrowser);
    }
    return false;
}

void DeferredBrowser::loadBrowser()
{
    m_waiting = false;
    QLibrary module(m_modulePath);
    auto create = reinterpret_cast<CreateBrowser>(module.resolve("quillaryCreateBrowser"));
    if (!create) {
        m_loadError = module.errorString();
        qCWarning(lcBrowserLoader) << "cannot load the browser module" << m_modulePath << ":"
                                   << m_loadError;
        auto *label = new QLabel(QStringLiteral("浏览器组件无法加载：%1").arg(m_loadError), this);
        label->setWordWrap(true);
        layout()->addWidget(label);
        return;
    }
    // The module stays loaded for the life of the program.
    m_browser = create(this);
    layout()->addWidget(m_browser->widget());
    setFocusProxy(m_browser->widget());
    if (m_handler)
        m_browser->setDocumentCompleteHandler(m_handler);
    if (!m_pendingNavigation.empty())
        m_browser->invoke(DispidNavigate2, InvokeKind::Method,
                          std::exchange(m_pendingNavigation, {}));
    emit browserLoaded();
}

Variant DeferredBrowser::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args)
{
    if (m_browser)
        return m_browser->invoke(id, kind, args);
    if (!m_loadError.isEmpty())
        throw AutomationError(hresult::Fail,
                              "浏览器组件无法加载：" + m_loadError.toStdString());
    if (id == DispidNavigate2 && kind == InvokeKind::Method) {
        if (args.empty())
            throw AutomationError(hresult::BadParamCount, "Navigate2 参数个数错误");
        m_pendingNavigation = args; // the latest navigation wins, as in a running browser
        return {};
    }
    if (id == DispidDocument && kind != InvokeKind::PropertyPut)
        throw AutomationError(hresult::Fail, "浏览器还没有加载完成的页面");
    throw AutomationError(hresult::MemberNotFound, "浏览器不支持该成员");
}

DispId DeferredBrowser::idOfName(std::string_view name)
{
    if (m_browser)
        return m_browser->idOfName(name);
    throw unknownName(name);
}

} // namespace browserloader
