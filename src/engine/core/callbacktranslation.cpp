#include "callbacktranslation.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QJsonDocument>
#include <QJsonObject>

using namespace engineprotocol;

namespace enginecore {

namespace {

QByteArray rectanglePayload(const QByteArray &payload)
{
    // Some callbacks wrap the rectangle in JSON when views are tracked.
    if (payload.startsWith('{'))
        return QJsonDocument::fromJson(payload)
            .object()
            .value(QStringLiteral("rectangle"))
            .toString()
            .toUtf8();
    return payload;
}

std::optional<int> field(const QList<QByteArray> &fields, qsizetype index)
{
    bool ok = false;
    const int value = index < fields.size() ? fields[index].trimmed().toInt(&ok) : 0;
    return ok ? std::optional(value) : std::nullopt;
}

event::Invalidate invalidation(const QByteArray &payload)
{
    // "EMPTY[, part[, mode]]" or "x, y, w, h[, part[, mode]]".
    const QList<QByteArray> fields = payload.split(',');
    if (payload.startsWith("EMPTY"))
        return {std::nullopt, field(fields, 1)};
    const QList<QRect> rects = parseRectangles(payload);
    if (rects.isEmpty())
        return {};
    return {rects.first(), field(fields, 4)};
}

event::StateChanged stateChange(const QByteArray &payload)
{
    // ".uno:Bold=true", or JSON with the command's name and state.
    if (payload.startsWith('{')) {
        const QJsonObject object = QJsonDocument::fromJson(payload).object();
        return {object.value(QStringLiteral("commandName")).toString(),
                object.value(QStringLiteral("state")).toVariant().toString()};
    }
    const QString text = QString::fromUtf8(payload);
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return {text, {}};
    return {text.left(equals), text.mid(equals + 1)};
}

} // namespace

DocumentKind documentKindOf(int lokDocumentType)
{
    switch (lokDocumentType) {
    case LOK_DOCTYPE_TEXT:
        return DocumentKind::Text;
    case LOK_DOCTYPE_SPREADSHEET:
        return DocumentKind::Spreadsheet;
    case LOK_DOCTYPE_PRESENTATION:
        return DocumentKind::Presentation;
    case LOK_DOCTYPE_DRAWING:
        return DocumentKind::Drawing;
    default:
        return DocumentKind::Other;
    }
}

QList<QRect> parseRectangles(const QByteArray &payload)
{
    QList<QRect> rects;
    for (const QByteArray &part : payload.split(';')) {
        const QList<QByteArray> fields = part.split(',');
        if (fields.size() < 4)
            continue;
        int numbers[4] = {};
        bool ok = true;
        for (int i = 0; i < 4 && ok; ++i)
            numbers[i] = fields[i].trimmed().toInt(&ok);
        if (ok)
            rects.append(QRect(numbers[0], numbers[1], numbers[2], numbers[3]));
    }
    return rects;
}

std::optional<QRect> cursorRectangle(const QByteArray &payload)
{
    const QList<QRect> rects = parseRectangles(rectanglePayload(payload));
    if (rects.isEmpty())
        return std::nullopt;
    return rects.first();
}

std::optional<Event> translateCallback(const Callback &callback, DocumentBackend &document)
{
    switch (callback.type) {
    case LOK_CALLBACK_INVALIDATE_TILES:
        return invalidation(callback.payload);
    case LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR:
    case LOK_CALLBACK_CELL_CURSOR:
        if (const auto rect = cursorRectangle(callback.payload))
            return event::CursorMoved{*rect};
        return std::nullopt;
    case LOK_CALLBACK_CURSOR_VISIBLE:
        return event::CursorVisible{callback.payload.trimmed() == "true"};
    case LOK_CALLBACK_TEXT_SELECTION:
        return event::Selection{parseRectangles(callback.payload)};
    case LOK_CALLBACK_DOCUMENT_SIZE_CHANGED: {
        const TwipSize size = document.documentSize();
        return event::DocumentSize{size.width, size.height};
    }
    case LOK_CALLBACK_SET_PART:
        if (const auto part = field({callback.payload}, 0))
            return event::PartChanged{*part};
        return std::nullopt;
    case LOK_CALLBACK_STATE_CHANGED:
        return stateChange(callback.payload);
    case LOK_CALLBACK_CELL_ADDRESS:
        return event::CellAddress{QString::fromUtf8(callback.payload)};
    case LOK_CALLBACK_CELL_FORMULA:
        return event::CellFormula{QString::fromUtf8(callback.payload)};
    case LOK_CALLBACK_INVALIDATE_HEADER:
        return event::HeadersChanged{};
    case LOK_CALLBACK_REDLINE_TABLE_SIZE_CHANGED:
    case LOK_CALLBACK_REDLINE_TABLE_ENTRY_MODIFIED:
        return event::TrackedChangesChanged{};
    case LOK_CALLBACK_COMMENT:
        return event::CommentsChanged{};
    default:
        return std::nullopt;
    }
}

} // namespace enginecore
