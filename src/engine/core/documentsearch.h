#pragma once

#include "callbackqueue.h"
#include "commandrunner.h"
#include "documentbackend.h"
#include "enginemessages.h"

#include <QList>
#include <QRect>

#include <optional>

// Finding text the way a find bar does: from where the user is, onwards, without going round
// the end of the document. LibreOffice goes round by itself, so the engine notices when a
// match lies behind the starting point and reports none instead.
namespace enginecore {

// Where the user is, from LibreOffice's callbacks: the cursor (a spreadsheet's cell frame)
// and the selected text.
class SelectionTracker
{
public:
    void observe(const Callback &callback);
    void clear();
    std::optional<QRect> cursor() const { return m_cursor; }
    const QList<QRect> &selection() const { return m_selection; }

private:
    std::optional<QRect> m_cursor;
    QList<QRect> m_selection;
};

// A place in reading order: a part, then a line (the rectangle's height), then across it (its
// left edge). Without a rectangle it is somewhere on the part.
struct SearchPlace
{
    int part = 0;
    std::optional<QRect> line;
};

// Where a search sets out: past the selection going forward, before it going backward, else
// at the cursor.
SearchPlace searchStart(int part, const SelectionTracker &where, bool backward);

// Whether match lies behind from, seen in the search's direction: the search went round.
bool wentRound(const SearchPlace &from, const SearchPlace &match, bool backward);

struct SearchContext
{
    DocumentBackend &document;
    CommandRunner &commands;
    const SelectionTracker &where;
    // Text documents have one coordinate space; their "parts" are pages.
    bool text = true;
};

// Selects the next occurrence and says where it is; reply::Found{} when there is none.
engineprotocol::Reply findText(SearchContext &context,
                               const engineprotocol::request::Find &request);

} // namespace enginecore
