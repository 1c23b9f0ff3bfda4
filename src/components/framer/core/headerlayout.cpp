#include "core/headerlayout.h"

#include <algorithm>
#include <limits>

using engineprotocol::reply::HeaderSpan;

namespace framer {

namespace {

// The twips a viewport shows; empty without a document.
QRect shownTwips(const TileGrid &grid, QPoint scroll, QSize viewport)
{
    if (grid.isEmpty() || viewport.isEmpty())
        return {};
    const QPoint topLeft = grid.toTwips(QPoint(0, 0), scroll);
    const QPoint bottomRight = grid.toTwips(QPoint(viewport.width(), viewport.height()), scroll);
    return QRect(topLeft, bottomRight);
}

// Where a position along the sheet lands on the bar: where the grid puts it in the viewport.
template <class Along>
QList<HeaderSection> sections(const QList<HeaderSpan> &spans, int length, const Along &along)
{
    QList<HeaderSection> result;
    for (const HeaderSpan &span : spans) {
        const int start = along(span.start);
        const int end = along(span.end);
        if (end <= start || end <= 0 || start >= length)
            continue;
        result.append({span.label, start, end});
    }
    return result;
}

int clampedTwips(qint64 twips)
{
    return int(std::clamp<qint64>(twips, 0, std::numeric_limits<int>::max() / 2));
}

} // namespace

QList<HeaderSection> columnSections(const QList<HeaderSpan> &columns, const TileGrid &grid,
                                    QPoint scroll, int length)
{
    return sections(columns, length, [&](qint64 twips) {
        return grid.toViewport(QRect(clampedTwips(twips), 0, 1, 1), scroll).left();
    });
}

QList<HeaderSection> rowSections(const QList<HeaderSpan> &rows, const TileGrid &grid, QPoint scroll,
                                 int length)
{
    return sections(rows, length, [&](qint64 twips) {
        return grid.toViewport(QRect(0, clampedTwips(twips), 1, 1), scroll).top();
    });
}

QRect headerArea(const TileGrid &grid, QPoint scroll, QSize viewport)
{
    const QRect shown = shownTwips(grid, scroll, viewport);
    if (shown.isEmpty())
        return {};
    const int dx = shown.width() / 2;
    const int dy = shown.height() / 2;
    QRect area = shown.adjusted(-dx, -dy, dx, dy);
    area.setLeft(std::max(0, area.left()));
    area.setTop(std::max(0, area.top()));
    return area;
}

bool headersCover(const QRect &area, const TileGrid &grid, QPoint scroll, QSize viewport)
{
    QRect shown = shownTwips(grid, scroll, viewport);
    if (shown.isEmpty())
        return true;
    // The margin around the document shows no cells.
    shown.setLeft(std::max(0, shown.left()));
    shown.setTop(std::max(0, shown.top()));
    return area.contains(shown);
}

} // namespace framer
