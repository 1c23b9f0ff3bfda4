#include "core/documenteditor.h"

#include "core/controlfailure.h"
#include "core/controlsession.h"
#include "core/formatrules.h"
#include "core/transfers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QScopeGuard>

using namespace engineprotocol;
using quillary::ControlError;

namespace framer {

namespace {

reply::EditOutcome notDone(const QString &reason)
{
    qCWarning(lcFramer).noquote() << reason;
    return {false, reason};
}

} // namespace

reply::EditOutcome DocumentEditor::textOnly()
{
    return notDone(QStringLiteral("只有文字文档支持该操作"));
}

void DocumentEditor::replaceText(const QString &find, const QString &replacement, bool matchCase)
{
    if (m_session.requireDocument(QStringLiteral("替换")).kind != DocumentKind::Text)
        fail(QStringLiteral("只有文字文档可以替换内容"));
    if (find.isEmpty())
        fail(ControlError::InvalidArgument, QStringLiteral("要替换的文字为空"));
    m_session.engine().call<reply::Replaced>(request::Replace{find, replacement, matchCase},
                                             timeouts::EditMs,
                                             QStringLiteral("替换“%1”").arg(find));
}

reply::EditOutcome DocumentEditor::setBookmark(const QString &name)
{
    const DocumentKind kind = m_session.requireDocument(QStringLiteral("设置书签")).kind;
    if (name.trimmed().isEmpty())
        fail(ControlError::InvalidArgument, QStringLiteral("书签名称为空"));
    if (kind != DocumentKind::Text)
        return textOnly();
    return m_session.engine().call<reply::EditOutcome>(request::AddBookmark{name}, timeouts::EditMs,
                                                       QStringLiteral("书签“%1”").arg(name));
}

reply::EditOutcome DocumentEditor::insertPicture(const QString &mark, const QString &source,
                                                 bool floating)
{
    const DocumentKind kind = m_session.requireDocument(QStringLiteral("插入图片")).kind;
    if (mark.trimmed().isEmpty())
        fail(ControlError::InvalidArgument, QStringLiteral("书签名称为空"));
    if (kind != DocumentKind::Text)
        return textOnly();
    if (source.trimmed().isEmpty())
        return notDone(QStringLiteral("没有指定图片"));
    QString path = source;
    QString folder;
    if (isWebAddress(source)) {
        folder = m_session.newWorkFolder(QStringLiteral("picture"));
        try {
            path = m_session.fetch(source, QStringLiteral("正在下载图片"), folder);
        } catch (const ControlFailure &failure) {
            QDir(folder).removeRecursively();
            return notDone(failure.error.message);
        }
    }
    const auto removeFetched = qScopeGuard([folder] {
        if (!folder.isEmpty())
            QDir(folder).removeRecursively();
    });
    // Checked here, as LibreOffice would skip it silently.
    QImageReader reader(path);
    if (!QFileInfo(path).isFile())
        return notDone(QStringLiteral("图片文件“%1”不存在").arg(source));
    if (!reader.canRead() || reader.read().isNull())
        return notDone(QStringLiteral("图片“%1”无法读取：%2").arg(source, reader.errorString()));
    reply::EditOutcome outcome;
    m_session.engine().reading(path, [&](const QString &staged) {
        outcome = m_session.engine().call<reply::EditOutcome>(
            request::InsertPicture{mark, staged, floating}, timeouts::EditMs,
            QStringLiteral("图片“%1”").arg(source));
    });
    return outcome;
}

reply::EditOutcome DocumentEditor::insertFile(const QString &path)
{
    const DocumentKind kind = m_session.requireDocument(QStringLiteral("插入文件")).kind;
    if (path.trimmed().isEmpty())
        return notDone(QStringLiteral("没有指定要插入的文件"));
    if (kind != DocumentKind::Text)
        return textOnly();
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        return notDone(QStringLiteral("无法读取文件“%1”：%2").arg(path, input.errorString()));
    const QString filter = insertFilterFor(input.read(ContentSampleBytes));
    input.close();
    if (filter.isEmpty())
        return notDone(QStringLiteral("文件“%1”的内容无法插入").arg(path));
    reply::EditOutcome outcome;
    m_session.engine().reading(path, [&](const QString &staged) {
        outcome = m_session.engine().call<reply::EditOutcome>(request::InsertFile{staged, filter},
                                                              timeouts::EditMs,
                                                              QStringLiteral("文件“%1”").arg(path));
    });
    return outcome;
}

bool DocumentEditor::setProtected(bool on)
{
    m_session.requireDocument(on ? QStringLiteral("保护文档") : QStringLiteral("解除保护"));
    const bool now =
        m_session.engine().call<reply::Protection>(request::Protect{on}, timeouts::EditMs).on;
    // The engine alone decides protection; the model shows what it decided.
    m_session.model().setProtected(now);
    return now;
}

} // namespace framer
