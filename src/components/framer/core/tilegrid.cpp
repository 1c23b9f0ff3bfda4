#include "core/tilegrid.h"

#include <algorithm>
#include <cmath>

namespace framer {

void TileGrid::layOut(qint64 width, qint64 height, int viewportWidth, bool fitWidth)
{
    const double fitted = width > 0 ? std::clamp(double(viewportWidth - 2 * Margin) / double(width),
                                                 ActualSize / 8, ActualSize * 4)
                                    : ActualSize;
    layOutAt(width, height, viewportWidth, fitWidth ? fitted : ActualSize);
}

void TileGrid::layOutAt(qint64 width, qint64 height, int viewportWidth, double scale)
{
    m_width = width;
    m_height = height;
    if (isEmpty())
        return;
    // Compared in steps finer than a pixel on any page, so rounding noise keeps the tiles.
    if (std::lround(scale * 100000) != std::lround(m_scale * 100000))
        dropTiles();
    m_scale = scale;
    m_offsetX = std::max(0, (viewportWidth - contentSize().width()) / 2);
}

void TileGrid::clear()
{
    m_width = 0;
    m_height = 0;
    m_offsetX = 0;
    dropTiles();
}

QSize TileGrid::contentSize() const
{
    if (isEmpty())
        return {};
    return QSize(int(m_width * m_scale) + 2 * Margin, int(m_height * m_scale) + 2 * Margin);
}

QRect TileGrid::visibleTiles(QPoint scroll, QSize viewport) const
{
    if (isEmpty())
        return {};
    const int left = std::max(0, scroll.x() - m_offsetX - Margin);
    const int top = std::max(0, scroll.y() - Margin);
    const int right = std::min(int(m_width * m_scale), left + viewport.width());
    const int bottom = std::min(int(m_height * m_scale), top + viewport.height());
    if (right <= left || bottom <= top)
        return {};
    return QRect(QPoint(left / TileSize, top / TileSize),
                 QPoint((right - 1) / TileSize, (bottom - 1) / TileSize));
}

QRect TileGrid::tileTwips(QPoint tile) const
{
    const double side = TileSize / m_scale;
    const int x = int(std::lround(tile.x() * side));
    const int y = int(std::lround(tile.y() * side));
    return QRect(x, y, int(std::lround((tile.x() + 1) * side)) - x,
                 int(std::lround((tile.y() + 1) * side)) - y);
}

QRect TileGrid::tileRect(QPoint tile, QPoint scroll) const
{
    // On the view's grid, not from the tile's rounded twips: those would stretch some tiles
    // by a pixel and leave seams.
    return QRect(tile.x() * TileSize + Margin + m_offsetX - scroll.x(),
                 tile.y() * TileSize + Margin - scroll.y(), TileSize, TileSize);
}

QRect TileGrid::toViewport(const QRect &twips, QPoint scroll) const
{
    const int left = int(std::floor(twips.x() * m_scale)) + Margin + m_offsetX - scroll.x();
    const int top = int(std::floor(twips.y() * m_scale)) + Margin - scroll.y();
    return QRect(left, top, std::max(1, int(std::ceil(twips.width() * m_scale))),
                 std::max(1, int(std::ceil(twips.height() * m_scale))));
}

QPoint TileGrid::toTwips(QPoint viewportPoint, QPoint scroll) const
{
    const double x = (viewportPoint.x() + scroll.x() - m_offsetX - Margin) / m_scale;
    const double y = (viewportPoint.y() + scroll.y() - Margin) / m_scale;
    return QPoint(int(x), int(y));
}

QPoint TileGrid::scrollToShow(const QRect &twips, QPoint scroll, QSize viewport) const
{
    const QRect shown = toViewport(twips, scroll).adjusted(-Margin, -Margin, Margin, Margin);
    // Along one axis: the move that brings [low, high] into [0, size).
    const auto along = [](int low, int high, int size) {
        if (low < 0)
            return low;
        if (high >= size && high - low + 1 < size)
            return high - size + 1;
        return 0;
    };
    return scroll + QPoint(along(shown.left(), shown.right(), viewport.width()),
                           along(shown.top(), shown.bottom(), viewport.height()));
}

QPoint TileGrid::scrollKeeping(QPoint twips, QPoint viewportPoint) const
{
    const QRect at = toViewport(QRect(twips, QSize(1, 1)), QPoint());
    return at.topLeft() - viewportPoint;
}

void TileGrid::dropTiles()
{
    m_tiles.clear();
    ++m_generation;
}

QList<QPoint> TileGrid::takeMissing(const QRect &range)
{
    QList<QPoint> missing;
    for (int row = range.top(); row <= range.bottom() && !range.isEmpty(); ++row)
        for (int column = range.left(); column <= range.right(); ++column) {
            Tile &tile = m_tiles[key({column, row})];
            if (tile.pending || (!tile.image.isNull() && !tile.stale))
                continue;
            tile.pending = true;
            missing.append({column, row});
        }
    return missing;
}

bool TileGrid::isCurrent(const QRect &range) const
{
    for (int row = range.top(); row <= range.bottom() && !range.isEmpty(); ++row)
        for (int column = range.left(); column <= range.right(); ++column) {
            const auto it = m_tiles.constFind(key({column, row}));
            if (it == m_tiles.cend() || it->image.isNull() || it->stale || it->pending)
                return false;
        }
    return true;
}

bool TileGrid::store(QPoint tile, int generation, const QImage &image)
{
    if (generation != m_generation)
        return false;
    Tile &stored = m_tiles[key(tile)];
    stored.pending = false;
    if (image.isNull())
        return false; // the engine could not draw it: keep what was there
    stored.image = image;
    stored.stale = false;
    return true;
}

void TileGrid::invalidate(const QRect &twips)
{
    for (auto it = m_tiles.begin(); it != m_tiles.end(); ++it)
        if (tileTwips(position(it.key())).intersects(twips))
            it->stale = true;
}

void TileGrid::invalidateAll()
{
    for (Tile &tile : m_tiles)
        tile.stale = true;
}

void TileGrid::prune(const QRect &keep, int maxTiles)
{
    if (m_tiles.size() <= maxTiles)
        return;
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if (!it->pending && !keep.contains(position(it.key())))
            it = m_tiles.erase(it);
        else
            ++it;
    }
}

QList<std::pair<QRect, QImage>> TileGrid::drawnTiles() const
{
    QList<std::pair<QRect, QImage>> drawn;
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it)
        if (!it->image.isNull())
            drawn.append({tileTwips(position(it.key())), it->image});
    return drawn;
}

} // namespace framer
