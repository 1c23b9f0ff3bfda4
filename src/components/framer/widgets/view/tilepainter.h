#pragma once

#include "core/engineclient.h"
#include "core/tilegrid.h"

#include <QObject>

#include <functional>

class QPainter;

namespace framer {

// Paints a view's document from the grid's tiles and fetches the missing ones from the engine
// without waiting. After a change of scale the old scale's tiles stand in, stretched, until
// the new ones have come.
class TilePainter : public QObject
{
    Q_OBJECT

public:
    // scroll tells where the view is scrolled to, in the content's pixels.
    TilePainter(EngineClient *engine, TileGrid &grid, QWidget *viewport,
                std::function<QPoint()> scroll);

    // The grid's tiles stand in for a new scale's.
    void keepForNewScale(QList<std::pair<QRect, QImage>> tiles) { m_stretched = std::move(tiles); }
    void dropStandIns() { m_stretched.clear(); }
    // Paints area of the viewport: document (twips) is clipped to, part's tiles are asked for.
    void paint(QPainter &painter, const QRect &area, const QRect &document, int part);
    // Draws every visible tile that is missing, waiting for the engine.
    void drawNow(int part);

signals:
    // Every tile in view is drawn and up to date.
    void caughtUp();

private:
    QSize tilePixels() const;
    QRect visibleTiles() const;
    void requestMissing(int part);
    void store(QPoint tile, int generation, const QImage &image);

    EngineClient *m_engine;
    TileGrid &m_grid;
    QWidget *m_viewport;
    std::function<QPoint()> m_scroll;
    QList<std::pair<QRect, QImage>> m_stretched;
};

} // namespace framer
