#pragma once

#include "core/documentinput.h"
#include "core/engineclient.h"
#include "core/tilegrid.h"
#include "widgets/view/tilepainter.h"

#include <quillary/zoom.h>

#include <QAbstractScrollArea>
#include <QList>
#include <QMargins>
#include <QRect>

#include <optional>

class QTabBar;

namespace framer {

class DocumentModel;

// Shows the loaded document from tiles the engine draws, at the zoom chosen (fitted to the
// width for text and slides, 100% for sheets until then), and forwards mouse, keyboard and
// input-method input to the engine as the document's own. Painting never waits for the
// engine: missing tiles are asked for and drawn when they arrive; after a zoom the tiles of
// the old scale stand in, stretched, until then.
class DocumentView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // Shows the document model holds, and follows it.
    DocumentView(EngineClient *engine, DocumentModel *model, QWidget *parent = nullptr);

    // A document is about to load: the cursor and selection reported from now on are its
    // (LibreOffice reports them once, as soon as the document is loaded).
    void resetPlace();
    bool hasDocument() const;
    const DocumentModel &model() const { return *m_model; }
    // Without a document: the hint shown, or the given message (why the engine stopped).
    void setMessage(const QString &message);
    QString message() const { return m_message; }
    // The room the sheet headers take left of and above the viewport.
    void setHeaderRoom(const QMargins &room);

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
    void onDocumentChanged();
    void showDocument();
    void clearDocument();
    void onEngineEvent(const engineprotocol::Event &event);
    void relayout();
    void askPageSize();
    void ensureCursorVisible();
    void sendMouse(engineprotocol::MouseAction action, QMouseEvent *event, int count);

    EngineClient *m_engine;
    DocumentInput m_input;
    DocumentModel *m_model;
    QString m_message;
    TileGrid m_grid;
    TilePainter *m_tiles;
    quillary::Zoom m_zoom;
    int m_wheel = 0;
    QRect m_cursor;
    bool m_cursorVisible = true;
    QList<QRect> m_selection;
    QTabBar *m_parts;
    QMargins m_headerRoom;
};

} // namespace framer
