#include "api/documentcontrol_p.h"

#include <quillary/document.h>

#include "core/controlfailure.h"
#include "core/controlsession.h"

#include <QFileInfo>

using namespace engineprotocol;

namespace quillary {

bool DocumentControlPrivate::exportDocument(Document &document, const QString &path,
                                            const QString &format)
{
    return attempt([&] {
        const auto &loaded = session->requireDocument(QStringLiteral("导出"));
        if (loaded.serial != document.m_serial)
            framer::fail(QStringLiteral("文档已更换，原来的文档对象不再可用"));
        const QString name = QFileInfo(path).fileName();
        session->writeThroughEngine(path, [&](const QString &temporary) {
            if (format.isEmpty())
                session->engine().writing(temporary, [&](const QString &staged) {
                    session->engine().call<reply::Saved>(request::ExportSheet{staged},
                                                         framer::timeouts::ExportMs, name);
                });
            else
                session->engine().save(temporary, format, name);
        });
        return true;
    });
}

Document::Document(DocumentControl *control, DocumentKind kind, quint64 serial)
    : m_control(control), m_kind(kind), m_serial(serial)
{
}

bool Document::saveAs(const QString &path, const QString &format)
{
    if (format.isEmpty()) {
        m_lastError = {ControlError::InvalidArgument, QStringLiteral("没有指定文件格式")};
        return false;
    }
    return exportThroughControl(path, format);
}

bool Document::exportActiveSheet(const QString &path)
{
    if (m_kind != DocumentKind::Spreadsheet) {
        m_lastError = {ControlError::Failed, QStringLiteral("只有电子表格可以导出当前工作表")};
        return false;
    }
    return exportThroughControl(path, {});
}

bool Document::exportThroughControl(const QString &path, const QString &format)
{
    if (!m_control) {
        m_lastError = {ControlError::Failed, QStringLiteral("文档控件已关闭，文档对象不再可用")};
        return false;
    }
    const bool written =
        DocumentControlPrivate::get(m_control.data())->exportDocument(*this, path, format);
    m_lastError = m_control->lastError();
    return written;
}

} // namespace quillary
