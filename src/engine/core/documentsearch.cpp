#include "documentsearch.h"

#include "callbacktranslation.h"
#include "unoarguments.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace engineprotocol;

namespace enginecore {

namespace {

constexpr int SearchTimeoutMs = 30000;
// The match's selection may trail the command's result on a busy machine.
constexpr int ResultWaitMs = 2000;

// The first match of a LOK_CALLBACK_SEARCH_RESULT_SELECTION payload.
reply::Found foundIn(const QByteArray &payload)
{
    const QJsonArray matches = QJsonDocument::fromJson(payload)
                                   .object()
                                   .value(QStringLiteral("searchResultSelection"))
                                   .toArray();
    if (matches.isEmpty())
        return {};
    const QJsonObject first = matches.first().toObject();
    const QList<QRect> rects =
        parseRectangles(first.value(QStringLiteral("rectangles")).toString().toUtf8());
    if (rects.isEmpty())
        return {};
    return {true, first.value(QStringLiteral("part")).toVariant().toInt(), rects};
}

// Runs one search; nothing when LibreOffice did not finish it.
std::optional<reply::Found> search(SearchContext &context, const request::Find &request,
                                   bool backward)
{
    std::optional<reply::Found> outcome;
    const auto observe = [&](const Callback &callback) {
        if (callback.type == LOK_CALLBACK_SEARCH_NOT_FOUND)
            outcome = reply::Found{};
        else if (callback.type == LOK_CALLBACK_SEARCH_RESULT_SELECTION)
            outcome = foundIn(callback.payload);
        return outcome.has_value();
    };
    const QJsonObject arguments =
        searchItem(SearchCommand::Find, request.text, backward, request.matchCase);
    if (!context.commands.run(".uno:ExecuteSearch", json(arguments), SearchTimeoutMs, observe))
        return std::nullopt;
    if (!outcome && !context.commands.waitFor(observe, ResultWaitMs))
        return reply::Found{};
    if (context.text)
        outcome->part = 0;
    return outcome;
}

} // namespace

void SelectionTracker::observe(const Callback &callback)
{
    switch (callback.type) {
    case LOK_CALLBACK_INVALIDATE_VISIBLE_CURSOR:
    case LOK_CALLBACK_CELL_CURSOR:
        if (const auto rect = cursorRectangle(callback.payload))
            m_cursor = rect;
        break;
    case LOK_CALLBACK_TEXT_SELECTION:
        m_selection = parseRectangles(callback.payload);
        break;
    default:
        break;
    }
}

void SelectionTracker::clear()
{
    m_cursor.reset();
    m_selection.clear();
}

SearchPlace searchStart(int part, const SelectionTracker &where, bool backward)
{
    const QList<QRect> &selection = where.selection();
    if (!selection.isEmpty()) {
        const QRect edge = backward ? selection.first() : selection.last();
        const int x = backward ? edge.left() : edge.left() + edge.width();
        return {part, QRect(x, edge.top(), 1, edge.height())};
    }
    if (const auto cursor = where.cursor())
        return {part, QRect(cursor->left(), cursor->top(), 1, std::max(1, cursor->height()))};
    return {part, std::nullopt};
}

bool wentRound(const SearchPlace &from, const SearchPlace &match, bool backward)
{
    if (match.part != from.part)
        return backward ? match.part > from.part : match.part < from.part;
    if (!from.line || !match.line)
        return false;
    const QRect &start = *from.line;
    const int middle = match.line->center().y();
    if (middle < start.top())
        return !backward;
    if (middle > start.bottom())
        return backward;
    // On the starting line: backward, a match must begin before the start.
    return backward ? match.line->left() >= start.left() : match.line->left() < start.left();
}

Reply findText(SearchContext &context, const request::Find &request)
{
    if (request.text.isEmpty())
        return reply::Error{ErrorCode::BadRequest, QStringLiteral("要查找的文字为空")};
    // Keys and clicks so far go first. LibreOffice reports where they put the cursor when it is
    // next idle, so a search sent at once after them may still start from the place before.
    if (!context.commands.settleInput())
        return reply::Error{ErrorCode::NotFinished,
                            QStringLiteral("查找“%1”没有完成").arg(request.text)};
    const SearchPlace from =
        searchStart(context.text ? 0 : context.document.part(), context.where, request.backward);
    const std::optional<reply::Found> found = search(context, request, request.backward);
    if (!found)
        return reply::Error{ErrorCode::NotFinished,
                            QStringLiteral("查找“%1”没有完成").arg(request.text)};
    if (found->found && wentRound(from, {found->part, found->twips.first()}, request.backward)) {
        // Nothing further this way: searching back round the other way selects what was
        // selected before.
        search(context, request, !request.backward);
        return reply::Found{};
    }
    return *found;
}

} // namespace enginecore
