#include "documentreview.h"

#include "officepackage.h"
#include "refusals.h"
#include "sheetcells.h"
#include "unoarguments.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

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

// A spreadsheet describes a cell's change in English ("Cell B2 changed from 'old' to 'new'").
QRegularExpressionMatch cellChange(const QString &description)
{
    static const QRegularExpression changed(
        QStringLiteral("^Cell (\\S+) changed from '(.*)' to '(.*)'$"),
        QRegularExpression::DotMatchesEverythingOption);
    return changed.match(description.trimmed());
}

// The list shows the cell and both contents.
QString cellExcerptOf(const QString &description)
{
    const QRegularExpressionMatch match = cellChange(description);
    if (!match.hasMatch())
        return excerptOf(description);
    const auto shortened = [](QString text) {
        text = text.simplified();
        return text.size() > ExcerptChars / 2 ? text.left(ExcerptChars / 2 - 1) + QChar(0x2026)
                                              : text;
    };
    return QStringLiteral("%1: %2 → %3")
        .arg(match.captured(1), shortened(match.captured(2)), shortened(match.captured(3)));
}

QByteArray idArgument(const char *name, int id)
{
    return json({{QLatin1String(name), typed("long", QString::number(id))}});
}

QByteArray onArgument(const char *name, bool on)
{
    return json({{QLatin1String(name), typed("boolean", on ? "true" : "false")}});
}

// The cell of a spreadsheet's change id (its place in LibreOffice's list, from 1); empty when
// there is no such change.
QString changedCell(const QByteArray &json, int id)
{
    const QJsonArray entries =
        QJsonDocument::fromJson(json).object().value(QStringLiteral("redlines")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        if (entry.value(QStringLiteral("index")).toVariant().toString() == QString::number(id - 1))
            return cellChange(entry.value(QStringLiteral("description")).toString()).captured(1);
    }
    return {};
}

// LibreOffice records a spreadsheet's changes and lists them, but decides on them only in a
// dialog of its own; going to one selects its cell.
Reply reviewSheet(CommandRunner &commands, DocumentBackend &document,
                  const request::Review &request)
{
    using Action = request::ReviewAction;
    if (request.action == Action::GoTo) {
        const QString cell =
            changedCell(document.commandValues(".uno:AcceptTrackedChanges"), request.id);
        if (cell.isEmpty())
            return reply::EditOutcome{false,
                                      QStringLiteral("没有编号为 %1 的修订").arg(request.id)};
        const Reply went = goToCell(commands, request::GoToCell{cell});
        if (!std::holds_alternative<reply::Done>(went))
            return went;
        return reply::EditOutcome{true, {}};
    }
    if (request.action != Action::Record)
        return reply::EditOutcome{
            false,
            QStringLiteral("电子表格的修订只能记录、查看和定位，不能在文档控件中接受或拒绝")};
    if (!request.on && sheetHasChanges(document))
        return reply::EditOutcome{false, KeepsRecordingText};
    if (!commands.run(".uno:TraceChangeMode", onArgument("TraceChangeMode", request.on)))
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral(".uno:TraceChangeMode did not finish"));
    return reply::EditOutcome{true, {}};
}

} // namespace

const QString KeepsRecordingText =
    QStringLiteral("电子表格中已有修订：停止记录会丢掉这些修订，因此仍在记录");

bool sheetHasChanges(DocumentBackend &document)
{
    return !parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges"),
                                DocumentKind::Spreadsheet)
                .isEmpty();
}

bool sheetKeepsRecording(DocumentBackend &document, const QByteArray &arguments)
{
    // LibreOffice keeps a spreadsheet's changes only while it records them: no arguments
    // toggle the recording, which is on while there are changes.
    const bool stops =
        arguments.isEmpty() ||
        argumentValue(arguments, QStringLiteral("TraceChangeMode")) == QLatin1String("false");
    return stops && sheetHasChanges(document);
}

QList<TrackedChange> parseTrackedChanges(const QByteArray &json, DocumentKind kind)
{
    // A text document's changes carry their own ids; a spreadsheet's are numbered from 0 by
    // their place in the list, and their times are UTC.
    const bool sheet = kind == DocumentKind::Spreadsheet;
    QList<TrackedChange> changes;
    const QJsonArray entries =
        QJsonDocument::fromJson(json).object().value(QStringLiteral("redlines")).toArray();
    for (const QJsonValue &value : entries) {
        const QJsonObject entry = value.toObject();
        // LibreOffice writes numbers as strings here.
        bool ok = false;
        const int id = entry.value(QStringLiteral("index")).toVariant().toString().toInt(&ok) +
                       (sheet ? 1 : 0);
        if (!ok || id <= 0)
            continue;
        const QString description = entry.value(QStringLiteral("description")).toString();
        QString time = entry.value(QStringLiteral("dateTime")).toString();
        if (sheet && !time.isEmpty() && !time.endsWith(QLatin1Char('Z')))
            time += QLatin1Char('Z');
        // A spreadsheet records its user as a given name and a surname with a space between.
        changes.append({id, kindOf(entry.value(QStringLiteral("type")).toString()),
                        entry.value(QStringLiteral("author")).toString().trimmed(), time,
                        sheet ? cellExcerptOf(description) : excerptOf(description)});
    }
    return changes;
}

QString lastAuthorOf(const QString &path)
{
    // Elements as namespace|name, in the order they are asked.
    const auto firstOf = [&](const QString &entry, const QStringList &elements) {
        const std::optional<QByteArray> xml = readPackageEntry(path, entry);
        if (!xml)
            return QString();
        QHash<QString, QString> found;
        QXmlStreamReader reader(*xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            const QString element =
                reader.namespaceUri().toString() + u'|' + reader.name().toString();
            if (elements.contains(element))
                found.insert(element, reader.readElementText(QXmlStreamReader::SkipChildElements));
        }
        for (const QString &element : elements)
            if (const QString author = found.value(element).simplified(); !author.isEmpty())
                return author;
        return QString();
    };
    const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/|");
    const QString word =
        firstOf(QStringLiteral("docProps/core.xml"),
                {QStringLiteral("http://schemas.openxmlformats.org/package/2006/metadata/"
                                "core-properties|lastModifiedBy"),
                 dc + QStringLiteral("creator")});
    if (!word.isEmpty())
        return word;
    return firstOf(QStringLiteral("meta.xml"),
                   {dc + QStringLiteral("creator"),
                    QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0|"
                                   "initial-creator")});
}

Reply trackedChanges(DocumentBackend &document, DocumentKind kind)
{
    return reply::ChangeList{
        parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges"), kind)};
}

Reply review(CommandRunner &commands, DocumentBackend &document, const request::Review &request,
             DocumentKind kind)
{
    if (kind == DocumentKind::Spreadsheet)
        return reviewSheet(commands, document, request);
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
            parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges"), kind);
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

Reply compare(CommandRunner &commands, DocumentBackend &document, const request::Compare &request,
              const QString &userName)
{
    const auto count = [&] {
        return parseTrackedChanges(document.commandValues(".uno:AcceptTrackedChanges"),
                                   DocumentKind::Text)
            .size();
    };
    // LibreOffice would unpack what it compares with as it unpacks what it loads.
    const PackageCheck package = checkPackage(request.path);
    if (package.verdict == PackageCheck::TooLarge || package.verdict == PackageCheck::Damaged)
        return refuse(package.verdict == PackageCheck::TooLarge ? ErrorCode::TooLarge
                                                                : ErrorCode::LoadFailed,
                      package.detail);
    const qsizetype before = count();
    const QString url = QUrl::fromLocalFile(request.path).toString(QUrl::FullyEncoded);
    // LibreOffice records the differences under the view's author: the other version's.
    const QString otherAuthor = lastAuthorOf(request.path);
    if (!otherAuthor.isEmpty())
        document.setAuthor(otherAuthor);
    const bool finished =
        commands.run(".uno:CompareDocuments", json({{QStringLiteral("URL"), text(url)}}))
            .has_value();
    if (!otherAuthor.isEmpty() && !userName.isEmpty())
        document.setAuthor(userName);
    if (!finished)
        return refuse(ErrorCode::NotFinished,
                      QStringLiteral(".uno:CompareDocuments did not finish"));
    if (count() == before)
        return reply::EditOutcome{false, QStringLiteral("两个版本的内容没有差别")};
    return reply::EditOutcome{true, {}};
}

} // namespace enginecore
