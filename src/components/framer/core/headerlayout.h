#pragma once

#include "core/tilegrid.h"
#include "enginemessages.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// Where a spreadsheet's row and column headers go: the engine tells each row's and column's
// extent in twips, and the tile grid places them at the very pixels it places the cells at,
// whatever the scale.
namespace framer {

// One row's or column's header: its label between two pixels along the bar.
struct HeaderSection
{
    QString label;
    int start = 0;
    int end = 0;
    friend bool operator==(const HeaderSection &, const HeaderSection &) = default;
};

// The sections a column bar as wide as the viewport shows at scroll; the ones wholly outside
// [0, length) are left out, and so are hidden columns.
QList<HeaderSection> columnSections(const QList<engineprotocol::reply::HeaderSpan> &columns,
                                    const TileGrid &grid, QPoint scroll, int length);
// The same for a row bar as high as the viewport.
QList<HeaderSection> rowSections(const QList<engineprotocol::reply::HeaderSpan> &rows,
                                 const TileGrid &grid, QPoint scroll, int length);

// The twips to ask headers for while the viewport shows what it shows at scroll: half a
// viewport more on every side, so that scrolling a little needs no new request. Empty without
// a document.
QRect headerArea(const TileGrid &grid, QPoint scroll, QSize viewport);
// Whether headers asked for area still serve the viewport at scroll.
bool headersCover(const QRect &area, const TileGrid &grid, QPoint scroll, QSize viewport);

} // namespace framer
