#include "documentcomments.h"

#include "refusals.h"
#include "unoarguments.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <algorithm>

using namespace engineprotocol;

namespace enginecore {

namespace {

// LibreOffice writes some numbers as strings, some as numbers.
int number(const QJsonValue &value)
{
    return value.toVariant().toString().toInt();
}

// "x, y, width, height" in twips.
QRect rectangle(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return {};
    return QRect(parts[0].trimmed().toInt(), parts[1].trimmed().toInt(), parts[2].trimmed().toInt(),
                 parts[3].trimmed().toInt());
}

QJsonObject idArgument(int id)
{
    return {{QStringLiteral("Id"), typed("string", QString::number(id))}};
}

} // namespace

QList<Comment> parseComments(const QByteArray &json)
{
    QList<Comment> comments;
    // Writer and Calc list them; Impress keys them by name ("comment1": {...}).
    const QJsonValue all = QJsonDocument::fromJson(json).object().value(QStringLiteral("comments"));
    const QJsonArray listed = all.toArray();
    QList<QJsonValue> entries(listed.cbegin(), listed.cend());
    const QJsonObject byName = all.toObject();
    QList<QJsonValue> named(byName.constBegin(), byName.constEnd());
    // Their keys sort "comment10" before "comment2"; ids are in the order they were made.
    std::sort(named.begin(), named.end(), [](const QJsonValue &a, const QJsonValue &b) {
        return number(a.toObject().value(QStringLiteral("id"))) <
               number(b.toObject().value(QStringLiteral("id")));
    });
    entries += named;
    for (const QJsonValue &value : std::as_const(entries)) {
        const QJsonObject entry = value.toObject();
        const int id = number(entry.value(QStringLiteral("id")));
        if (id <= 0)
            continue;
        comments.append({id, number(entry.value(QStringLiteral("parent"))),
                         entry.value(QStringLiteral("author")).toString(),
                         entry.value(QStringLiteral("dateTime")).toString(),
                         entry.value(QStringLiteral("text")).toString(),
                         rectangle(entry.value(QStringLiteral("anchorPos")).toString())});
    }
    return comments;
}

Reply comments(DocumentBackend &document)
{
    return reply::CommentList{parseComments(document.commandValues(".uno:ViewAnnotations"))};
}

Reply commentAction(CommandRunner &commands, DocumentBackend &document,
                    const request::CommentAction &request, DocumentKind kind, const QString &author)
{
    const bool sheet = kind == DocumentKind::Spreadsheet;
    const bool slides = kind == DocumentKind::Presentation;
    if ((sheet || slides) && request.operation == request::CommentOperation::Reply)
        return reply::EditOutcome{false, sheet ? QStringLiteral("电子表格的批注不能回复")
                                               : QStringLiteral("幻灯片的批注不能回复")};
    using Operation = request::CommentOperation;
    const bool withText = request.operation == Operation::Insert ||
                          request.operation == Operation::Reply ||
                          request.operation == Operation::Edit;
    if (withText && request.text.trimmed().isEmpty())
        return reply::EditOutcome{false, QStringLiteral("批注内容为空")};
    std::optional<Comment> target;
    if (request.operation != Operation::Insert) {
        const QList<Comment> all = parseComments(document.commandValues(".uno:ViewAnnotations"));
        const auto found = std::find_if(all.cbegin(), all.cend(),
                                        [&](const Comment &c) { return c.id == request.id; });
        if (found == all.cend())
            return reply::EditOutcome{false,
                                      QStringLiteral("没有编号为 %1 的批注").arg(request.id)};
        target = *found;
    }
    QByteArray command;
    QJsonObject arguments;
    switch (request.operation) {
    case Operation::Insert:
        command = ".uno:InsertAnnotation";
        break;
    case Operation::Reply:
        command = ".uno:ReplyComment";
        arguments = idArgument(request.id);
        break;
    case Operation::Edit:
        command = ".uno:EditAnnotation";
        arguments = idArgument(request.id);
        break;
    case Operation::Delete:
        command = sheet    ? ".uno:DeleteNote"
                  : slides ? ".uno:DeleteAnnotation"
                           : ".uno:DeleteComment";
        arguments = idArgument(request.id);
        break;
    case Operation::GoTo: {
        // A click where the comment is anchored puts the cursor there; the view follows it.
        if (target->anchor.isEmpty() && target->anchor.topLeft().isNull())
            return reply::EditOutcome{false, QStringLiteral("批注的位置未知")};
        if (!commands.settleBefore(CommandRunner::Input::Mouse))
            return refuse(ErrorCode::NotFinished, QStringLiteral("earlier input did not settle"));
        const QPoint at(target->anchor.left() + 1, target->anchor.center().y());
        document.postMouseEvent(LOK_MOUSEEVENT_MOUSEBUTTONDOWN, at, 1, 1, 0);
        document.postMouseEvent(LOK_MOUSEEVENT_MOUSEBUTTONUP, at, 1, 1, 0);
        if (!commands.settleInput())
            return refuse(ErrorCode::NotFinished, QStringLiteral("the click did not settle"));
        return reply::EditOutcome{true, {}};
    }
    }
    if (withText)
        arguments.insert(QStringLiteral("Text"), typed("string", request.text));
    if (withText && !author.isEmpty())
        arguments.insert(QStringLiteral("Author"), typed("string", author));
    // LibreOffice reports these commands as void, never as a success: the list tells.
    if (!commands.run(command, json(arguments)))
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral("%1 did not finish").arg(QString::fromUtf8(command)));
    return reply::EditOutcome{true, {}};
}

} // namespace enginecore
