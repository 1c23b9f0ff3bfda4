#pragma once

#include "documentinput.h"
#include "engineclient.h"
#include "tilegrid.h"
#include "tilepainter.h"

#include <quillary/zoom.h>

#include <QAbstractScrollArea>
#include <QList>
#include <QRect>

#include <optional>

class QTabBar;

namespace framer {

class SheetHeaders;

// Shows the loaded document from tiles the engine draws, at the zoom chosen (fitted to the
// width for text and slides, 100% for sheets until then), and forwards mouse, keyboard and
// input-method input to the engine as the document's own. Painting never waits for the
// engine: missing tiles are asked for and drawn when they arrive; after a zoom the tiles of
// the old scale stand in, stretched, until then.
class DocumentView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit DocumentView(EngineClient *engine, QWidget *parent = nullptr);

    // A document is about to load: the cursor and selection reported from now on are its
    // (LibreOffice reports them once, as soon as the document is loaded).
    void resetPlace();
    void setDocument(const engineprotocol::reply::DocumentInfo &info);
    // No document: an empty area with a hint, or the given message (why the engine stopped).
    void clearDocument(const QString &message = {});
    bool hasDocument() const { return m_hasDocument; }
    const engineprotocol::reply::DocumentInfo &document() const { return m_info; }
    QString message() const { return m_message; }

    // Draws every visible tile that is missing, waiting for the engine.
    void drawNow();
    // Shows another sheet or slide.
    void showPart(int part);

    const TileGrid &grid() const { return m_grid; }
    // The cursor, or the current cell of a sheet, in twips; empty when there is none.
    QRect cursorTwips() const { return m_cursor; }

    // The viewport's top left in the laid out document, and scrolling back there.
    QPoint scrollPosition() const { return scroll(); }
    void scrollTo(QPoint position);
    // The request for the tile at the viewport's top left, as it is drawn now.
    engineprotocol::request::Tile firstVisibleTile() const;

    // Keeps the document point under anchor (the caret when it is in view, else the centre)
    // where it is.
    void setZoom(const quillary::Zoom &zoom, std::optional<QPoint> anchor = {});
    quillary::Zoom zoom() const { return m_zoom; }
    // The percentage of its actual size the document shows at.
    int zoomPercent() const;
    // Zooms to the next step in (direction > 0) or out.
    void zoomBy(int direction, std::optional<QPoint> anchor = {});
    // Scrolls twips (a match found) into view on part.
    void reveal(int part, const QRect &twips);

    // Document twips for a point of the viewport, and back.
    QPoint documentPoint(const QPoint &viewportPoint) const;
    QPoint viewportPoint(const QPoint &twips) const;

signals:
    // A document was set, or cleared.
    void documentChanged();
    // What the viewport shows moved or was laid out again.
    void viewChanged();
    void partShown(int part);
    void zoomChanged(const quillary::Zoom &zoom);
    // Every tile in view is drawn and up to date.
    void caughtUp();
    void contextMenuRequested(const QPoint &globalPosition);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    bool focusNextPrevChild(bool next) override;

private:
    QPoint scroll() const;
    void onEngineEvent(const engineprotocol::Event &event);
    void relayout();
    void askPageSize();
    void ensureCursorVisible();
    void sendMouse(engineprotocol::MouseAction action, QMouseEvent *event, int count);

    EngineClient *m_engine;
    DocumentInput m_input;
    engineprotocol::reply::DocumentInfo m_info;
    bool m_hasDocument = false;
    QString m_message;
    TileGrid m_grid;
    TilePainter *m_tiles;
    quillary::Zoom m_zoom;
    QSize m_page;
    int m_wheel = 0;
    QRect m_cursor;
    bool m_cursorVisible = true;
    QList<QRect> m_selection;
    QTabBar *m_parts;
    SheetHeaders *m_headers;
};

} // namespace framer
