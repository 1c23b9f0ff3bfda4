// The document control's editing operations and office objects, wired to its view and engine.

#include "editingoperations.h"
#include "framercontrol.h"

#include "automation/automationerror.h"

#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace automation;

namespace framer {

void FramerControl::setUpEditing()
{
    m_protectionBanner = new QLabel(QStringLiteral("文档处于保护状态，不能编辑"), this);
    m_protectionBanner->setAccessibleName(QStringLiteral("文档保护状态"));
    m_protectionBanner->setAlignment(Qt::AlignCenter);
    m_protectionBanner->setStyleSheet(
        QStringLiteral("background: #fff4ce; color: #5c3c00; padding: 3px;"));
    m_protectionBanner->hide();
    if (auto *box = qobject_cast<QVBoxLayout *>(layout()))
        box->insertWidget(0, m_protectionBanner);

    EditingHost host;
    host.engine = m_engine;
    host.network = m_services.network;
    host.driveCRoot = m_services.driveCRoot;
    host.dialogParent = this;
    host.document = [this]() -> std::optional<engineprotocol::DocumentKind> {
        if (!m_view->hasDocument())
            return std::nullopt;
        return m_view->document().kind;
    };
    host.transferStarted = [this](const QString &caption, const QString &address) {
        m_view->showTransfer(caption, address);
    };
    host.transferProgress = [this](qint64 done, qint64 total) {
        m_view->setTransferProgress(done, total);
    };
    host.transferEnded = [this] { m_view->hideTransfer(); };
    host.protectionChanged = [this](bool on) { m_protectionBanner->setVisible(on); };
    host.exclusive = [this](const std::function<void()> &work) {
        const QPointer<FramerControl> self(this);
        if (m_busy)
            throw AutomationError(hresult::Fail, "文档控件正在处理上一个操作，请稍候再试");
        m_busy = true;
        auto idle = qScopeGuard([self] {
            if (self)
                self->m_busy = false;
        });
        work();
    };
    m_editing = std::make_unique<EditingOperations>(std::move(host));
}

std::optional<Variant> FramerControl::invokeEditing(DispId id, const std::vector<Variant> &args)
{
    switch (id) {
    case dispid::ReplaceText:
    case dispid::MarkCommand:
    case dispid::HandSign:
    case dispid::InsertFile:
    case dispid::ProtectDocument:
    case dispid::DocumentObject:
        break;
    default:
        return std::nullopt;
    }
    // Like the other long operations: one at a time, never interleaved.
    std::optional<Variant> result;
    m_editing->runExclusive([&] { result = m_editing->invoke(id, args); });
    return result;
}

} // namespace framer
