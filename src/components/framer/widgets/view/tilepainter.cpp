#include "widgets/view/tilepainter.h"

#include "enginetrace.h"

#include <QPainter>
#include <QWidget>

namespace framer {

namespace {

constexpr int MaxTiles = 160; // about 40 MB of tiles at most

} // namespace

TilePainter::TilePainter(EngineClient *engine, TileGrid &grid, QWidget *viewport,
                         std::function<QPoint()> scroll)
    : QObject(viewport), m_engine(engine), m_grid(grid), m_viewport(viewport),
      m_scroll(std::move(scroll))
{
}

QSize TilePainter::tilePixels() const
{
    const qreal ratio = m_viewport->devicePixelRatioF();
    return QSize(int(TileGrid::TileSize * ratio), int(TileGrid::TileSize * ratio));
}

QRect TilePainter::visibleTiles() const
{
    return m_grid.visibleTiles(m_scroll(), m_viewport->size());
}

void TilePainter::requestMissing(int part)
{
    const int generation = m_grid.generation();
    const QList<QPoint> missing = m_grid.takeMissing(visibleTiles());
    qCDebug(lcLatency) << "control: asking for" << missing.size() << "tiles";
    for (const QPoint tile : missing) {
        m_engine->requestTile(
            part, m_grid.tileTwips(tile), tilePixels(), this,
            [this, tile, generation](const QImage &image) { store(tile, generation, image); });
    }
}

void TilePainter::store(QPoint tile, int generation, const QImage &image)
{
    QImage drawn = image;
    drawn.setDevicePixelRatio(m_viewport->devicePixelRatioF());
    if (!m_grid.store(tile, generation, drawn))
        return;
    const QRect visible = visibleTiles();
    // Only the tile's square changes: stand-ins show where tiles are still missing, not here.
    m_viewport->update(m_grid.tileRect(tile, m_scroll()));
    m_grid.prune(visible.adjusted(-2, -2, 2, 2), MaxTiles);
    if (m_grid.isCurrent(visible)) {
        qCDebug(lcLatency) << "control: every tile in view drawn";
        m_stretched.clear();
        emit caughtUp();
    }
}

void TilePainter::drawNow(int part)
{
    // The missing tiles of the screen go to the engine in one exchange.
    const QRect tiles = visibleTiles();
    QList<QPoint> missing;
    QList<QRect> twips;
    for (int row = tiles.top(); row <= tiles.bottom() && !tiles.isEmpty(); ++row)
        for (int column = tiles.left(); column <= tiles.right(); ++column)
            if (m_grid.tile({column, row}).image.isNull()) {
                missing.append({column, row});
                twips.append(m_grid.tileTwips({column, row}));
            }
    const int generation = m_grid.generation();
    const QList<QImage> images = m_engine->renderTiles(part, twips, tilePixels());
    for (qsizetype i = 0; i < missing.size() && i < images.size(); ++i)
        store(missing[i], generation, images[i]);
    m_viewport->update();
}

void TilePainter::paint(QPainter &painter, const QRect &area, const QRect &document, int part)
{
    const QPoint at = m_scroll();
    const QRect tiles = visibleTiles();
    bool missing = false;
    QRegion waiting;
    // Tiles at the edges reach past the document; what LibreOffice draws there is not ours.
    painter.setClipRect(m_grid.toViewport(document, at).adjusted(0, 0, 1, 1));
    for (int row = tiles.top(); row <= tiles.bottom() && !tiles.isEmpty(); ++row)
        for (int column = tiles.left(); column <= tiles.right(); ++column) {
            const QRect target = m_grid.tileRect({column, row}, at);
            if (!target.intersects(area))
                continue;
            const TileGrid::Tile tile = m_grid.tile({column, row});
            if (tile.image.isNull()) {
                painter.fillRect(target, Qt::white);
                waiting += target;
                missing = true;
            } else {
                painter.drawImage(target, tile.image);
                missing = missing || tile.stale;
            }
        }
    if (!waiting.isEmpty() && !m_stretched.isEmpty()) {
        painter.setClipRegion(waiting & painter.clipRegion());
        for (const auto &[twips, image] : m_stretched)
            painter.drawImage(m_grid.toViewport(twips, at), image);
    }
    painter.setClipping(false);
    if (missing)
        requestMissing(part);
}

} // namespace framer
