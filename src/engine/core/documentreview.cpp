#include "documentreview.h"

#include "officepackage.h"
#include "refusals.h"
#include "unoarguments.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

using namespace engineprotocol;

namespace enginecore {

namespace {

// How much of a change's text the list shows.
constexpr int ExcerptChars = 40;

ChangeKind kindOf(const QString &type)
{
    if (type == QLatin1String("Insert"))
        return ChangeKind::Insertion;
    if (type == QLatin1String("Delete"))
        return ChangeKind::Deletion;
    if (type == QLatin1String("Format") || type == QLatin1String("ParagraphFormat") ||
        type == QLatin1String("Attributes"))
        return ChangeKind::Formatting;
    return ChangeKind::Other;
}

// LibreOffice describes a change as its kind followed by its text in quotes
// ("Insert “new words”"); the text alone, shortened, or the description when it has none.
QString excerptOf(const QString &description)
{
    static const QRegularExpression quoted(QStringLiteral("[\"“'‘](.*)[\"”'’]\\s*$"),
                                           QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = quoted.match(description);
    QString text = match.hasMatch() ? match.captured(1) : description;
    text = text.simplified();
    if (text.size() > ExcerptChars)
        text = text.left(ExcerptChars - 1) + QChar(0x2026);
    return text;
}

QByteArray idArgument(const char *name, int id)
{
    return json({{QLatin1String(name), typed("long", QString::number(id))}});
}

QByteArray onArgument(const char *name, bool on)
{
    return json({{QLatin1String(name), typed("boolean", on ? "true" : "false")}});
}

} // namespace

QList<TrackedChange> parseTrackedChanges(const QByteArray &json)
{
    QList<TrackedChange> changes;
    const QJsonArray entries =
        QJsonDocument::fromJson(json).object().value(QStringLiteral("redlines")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        // LibreOffice writes numbers as strings here.
        bool ok = false;
        const int id = entry.value(QStringLiteral("index")).toVariant().toString().toInt(&ok);
        if (!ok || id <= 0)
            continue;
        changes.append({id, kindOf(entry.value(QStringLiteral("type")).toString()),
                        entry.value(QStringLiteral("author")).toString(),
                        entry.value(QStringLiteral("dateTime")).toString(),
                        excerptOf(entry.value(QStringLiteral("description")).toString())});
    }
    return changes;
}

Reply trackedChanges(DocumentBackend &document)
{
    return reply::ChangeList{
        parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges"))};
}

Reply review(CommandRunner &commands, DocumentBackend &document, const request::Review &request)
{
    QByteArray command;
    QByteArray arguments;
    switch (request.action) {
    case request::ReviewAction::Record:
        command = ".uno:TrackChanges";
        arguments = onArgument("TrackChanges", request.on);
        break;
    case request::ReviewAction::Show:
        command = ".uno:ShowTrackedChanges";
        arguments = onArgument("ShowTrackedChanges", request.on);
        break;
    case request::ReviewAction::GoTo:
        // With an id, LibreOffice selects that change rather than the next one.
        command = ".uno:NextTrackedChange";
        arguments = idArgument("NextTrackedChange", request.id);
        break;
    case request::ReviewAction::Next:
        command = ".uno:NextTrackedChange";
        break;
    case request::ReviewAction::Previous:
        command = ".uno:PreviousTrackedChange";
        break;
    case request::ReviewAction::Accept:
        command = ".uno:AcceptTrackedChange";
        if (request.id > 0)
            arguments = idArgument("AcceptTrackedChange", request.id);
        break;
    case request::ReviewAction::Reject:
        command = ".uno:RejectTrackedChange";
        if (request.id > 0)
            arguments = idArgument("RejectTrackedChange", request.id);
        break;
    case request::ReviewAction::AcceptAll:
        command = ".uno:AcceptAllTrackedChanges";
        break;
    case request::ReviewAction::RejectAll:
        command = ".uno:RejectAllTrackedChanges";
        break;
    }
    const bool byId = request.id > 0 && (request.action == request::ReviewAction::GoTo ||
                                         request.action == request::ReviewAction::Accept ||
                                         request.action == request::ReviewAction::Reject);
    if (byId) {
        const QList<TrackedChange> changes =
            parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges"));
        if (std::none_of(changes.cbegin(), changes.cend(),
                         [&](const TrackedChange &change) { return change.id == request.id; }))
            return reply::EditOutcome{false,
                                      QStringLiteral("没有编号为 %1 的修订").arg(request.id)};
    }
    if (!commands.run(command, arguments))
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral("%1 did not finish").arg(QString::fromUtf8(command)));
    return reply::EditOutcome{true, {}};
}

Reply compare(CommandRunner &commands, DocumentBackend &document, const request::Compare &request)
{
    const auto count = [&] {
        return parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges")).size();
    };
    // LibreOffice would unpack what it compares with as it unpacks what it loads.
    const PackageCheck package = checkPackage(request.path);
    if (package.verdict == PackageCheck::TooLarge || package.verdict == PackageCheck::Damaged)
        return refuse(package.verdict == PackageCheck::TooLarge ? ErrorCode::TooLarge
                                                                : ErrorCode::LoadFailed,
                      package.detail);
    const qsizetype before = count();
    const QString url = QUrl::fromLocalFile(request.path).toString(QUrl::FullyEncoded);
    if (!commands.run(".uno:CompareDocuments", json({{QStringLiteral("URL"), text(url)}})))
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral(".uno:CompareDocuments did not finish"));
    if (count() == before)
        return reply::EditOutcome{false, QStringLiteral("两个版本的内容没有差别")};
    return reply::EditOutcome{true, {}};
}

} // namespace enginecore
