#include "sheetcells.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace engineprotocol;

namespace enginecore {

namespace {

constexpr qint64 TwipsPerHeaderPixel = 15;
// More than a screen of the largest zoom out shows; a bigger area is a client's mistake.
constexpr qint64 MaxHeaderArea = qint64(1) << 40;

Reply failure(ErrorCode code, const QString &message)
{
    return reply::Error{code, message};
}

QByteArray stringArgument(const char *name, const QString &value)
{
    const QJsonObject arguments{
        {QLatin1String(name), QJsonObject{{"type", "string"}, {"value", value}}}};
    return QJsonDocument(arguments).toJson(QJsonDocument::Compact);
}

// A position as LibreOffice writes it: a number, or a number in a string.
std::optional<qint64> position(const QJsonValue &value)
{
    if (value.isDouble())
        return qint64(value.toDouble());
    bool ok = false;
    const qint64 number = value.toString().toLongLong(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

// The first entry says where the first row or column starts; each later one is a row or
// column with its label and where it ends.
std::optional<QList<reply::HeaderSpan>> spans(const QJsonValue &entries)
{
    if (!entries.isArray())
        return std::nullopt;
    const QJsonArray array = entries.toArray();
    QList<reply::HeaderSpan> result;
    if (array.isEmpty())
        return result;
    std::optional<qint64> start = position(array.first().toObject().value("size"));
    if (!start)
        return std::nullopt;
    for (qsizetype i = 1; i < array.size(); ++i) {
        const QJsonObject entry = array[i].toObject();
        const std::optional<qint64> end = position(entry.value("size"));
        if (!end || *end < *start)
            return std::nullopt;
        const QJsonValue text = entry.value("text");
        const QString label =
            text.isString() ? text.toString() : QString::number(text.toVariant().toLongLong());
        result.append({label, *start * TwipsPerHeaderPixel, *end * TwipsPerHeaderPixel});
        start = end;
    }
    return result;
}

} // namespace

std::optional<reply::RowColumnHeaders> parseRowColumnHeaders(const QByteArray &json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    const auto rows = spans(object.value("rows"));
    const auto columns = spans(object.value("columns"));
    if (!rows || !columns)
        return std::nullopt;
    return reply::RowColumnHeaders{*rows, *columns};
}

Reply rowColumnHeaders(DocumentBackend &document, const QRect &twips)
{
    if (twips.x() < 0 || twips.y() < 0 || twips.isEmpty() ||
        qint64(twips.width()) * twips.height() > MaxHeaderArea)
        return failure(ErrorCode::BadRequest, QStringLiteral("no headers for %1,%2 %3x%4")
                                                  .arg(twips.x())
                                                  .arg(twips.y())
                                                  .arg(twips.width())
                                                  .arg(twips.height()));
    const QByteArray command =
        QStringLiteral(".uno:ViewRowColumnHeaders?x=%1&y=%2&width=%3&height=%4")
            .arg(twips.x())
            .arg(twips.y())
            .arg(twips.width())
            .arg(twips.height())
            .toUtf8();
    if (auto headers = parseRowColumnHeaders(document.commandValues(command)))
        return *headers;
    return failure(ErrorCode::Failed, QStringLiteral("LibreOffice gave no row and column headers"));
}

Reply enterCellText(CommandRunner &commands, const request::EnterCellText &request)
{
    // Its success flag says false even when the cell took the text; the cell's new content
    // comes back as a formula event.
    if (!commands.run(".uno:EnterString", stringArgument("StringName", request.text)))
        return failure(ErrorCode::NotFinished, QStringLiteral("单元格内容未能及时写入"));
    return reply::Done{};
}

Reply goToCell(CommandRunner &commands, const request::GoToCell &request)
{
    const auto result = commands.run(".uno:GoToCell", stringArgument("ToPoint", request.address));
    if (!result)
        return failure(ErrorCode::NotFinished, QStringLiteral("未能及时跳转到该单元格"));
    if (!result->success)
        return failure(ErrorCode::BadRequest,
                       QStringLiteral("工作表中没有单元格“%1”").arg(request.address));
    return reply::Done{};
}

} // namespace enginecore
