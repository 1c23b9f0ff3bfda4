#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace framer {

// How a document is laid out in the view and cut into tiles, and the tiles drawn so far.
// Tiles sit on the view's own pixel grid, exactly one tile apart; each covers the twips
// between its edges rounded, so neighbours share their borders and no seam runs through the
// text. Positions are in the view's pixels; scroll is the viewport's top left in the content.
class TileGrid
{
public:
    static constexpr int TileSize = 256;             // pixels
    static constexpr int Margin = 12;                // pixels around the document
    static constexpr double ActualSize = 1.0 / 15.0; // pixels per twip at 100%

    struct Tile
    {
        QImage image;
        bool stale = false;   // drawn before the document changed there
        bool pending = false; // asked of the engine, not back yet
    };

    // Lays a document of width x height twips out for a viewport width: fitted to it, or at
    // 100% when fitWidth is false. A new scale drops every tile.
    void layOut(qint64 width, qint64 height, int viewportWidth, bool fitWidth);
    // The same at a given scale (pixels per twip).
    void layOutAt(qint64 width, qint64 height, int viewportWidth, double scale);
    // No document: nothing to show, no tiles.
    void clear();
    bool isEmpty() const { return m_width <= 0 || m_height <= 0; }

    double scale() const { return m_scale; }
    // The left margin that centres a document narrower than the viewport.
    int offsetX() const { return m_offsetX; }
    // The document with its margins, in pixels.
    QSize contentSize() const;

    // The columns and rows of the tiles a viewport shows; empty when none.
    QRect visibleTiles(QPoint scroll, QSize viewport) const;
    QRect tileTwips(QPoint tile) const;
    QRect tileRect(QPoint tile, QPoint scroll) const;
    QRect toViewport(const QRect &twips, QPoint scroll) const;
    QPoint toTwips(QPoint viewportPoint, QPoint scroll) const;
    // Where to scroll so that twips (the caret) shows with a margin's room around it; scroll
    // itself when it shows already.
    QPoint scrollToShow(const QRect &twips, QPoint scroll, QSize viewport) const;
    // Where to scroll so that the point twips shows at viewportPoint (before the scroll
    // bars' limits).
    QPoint scrollKeeping(QPoint twips, QPoint viewportPoint) const;

    // Changes whenever the tiles drawn so far became useless; a tile asked for in an older
    // generation is thrown away when it arrives.
    int generation() const { return m_generation; }
    void dropTiles();
    Tile tile(QPoint tile) const { return m_tiles.value(key(tile)); }
    // The tiles of range that are missing or stale and not asked for yet; now they are.
    QList<QPoint> takeMissing(const QRect &range);
    // Whether every tile of range is drawn and up to date.
    bool isCurrent(const QRect &range) const;
    // Keeps a drawn tile; false when it belongs to an older generation.
    bool store(QPoint tile, int generation, const QImage &image);
    // Marks the tiles that show any of twips as stale.
    void invalidate(const QRect &twips);
    void invalidateAll();
    // Drops tiles outside keep once there are more than maxTiles; pending ones stay.
    void prune(const QRect &keep, int maxTiles);
    // The drawn tiles with the twips each shows: what a new scale can show, stretched, until
    // its own tiles arrive.
    QList<std::pair<QRect, QImage>> drawnTiles() const;
    qsizetype tileCount() const { return m_tiles.size(); }

private:
    static quint64 key(QPoint tile)
    {
        return (quint64(quint32(tile.y())) << 32) | quint32(tile.x());
    }
    static QPoint position(quint64 key) { return QPoint(int(quint32(key)), int(key >> 32)); }

    qint64 m_width = 0;
    qint64 m_height = 0;
    double m_scale = ActualSize;
    int m_offsetX = 0;
    int m_generation = 0;
    QHash<quint64, Tile> m_tiles;
};

} // namespace framer
