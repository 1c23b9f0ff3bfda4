#pragma once

#include "engineclient.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>

class QLabel;
class QProgressBar;
class QTabBar;

namespace framer {

// Draws the loaded document from tiles the engine renders, fitted to the width for text and
// slides, at 100% for sheets. Tiles are fetched asynchronously: painting never waits for the
// engine. Mouse and keyboard input go to the engine as the document's own input.
class DocumentView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    static constexpr int TileSize = 256;

    explicit DocumentView(EngineClient *engine, QWidget *parent = nullptr);

    void setDocument(const DocumentInfo &info);
    // No document: an empty area with a hint, or the given message (why the engine stopped).
    void clearDocument(const QString &message = {});
    bool hasDocument() const { return m_hasDocument; }
    const DocumentInfo &document() const { return m_info; }
    int currentPart() const { return m_info.part; }
    void setCurrentPart(int part);
    QString message() const { return m_message; }

    // Fetches every visible tile that is missing or stale, waiting for the engine.
    void drawNow();

    // A transfer's address and progress over the view; total -1 while unknown.
    void showTransfer(const QString &label, const QString &address);
    void setTransferProgress(qint64 done, qint64 total);
    void hideTransfer();
    bool transferShown() const;
    QString transferText() const;

    // Document twips for a point of the viewport, and back.
    QPoint documentPoint(const QPoint &viewportPoint) const;
    QPoint viewportPoint(const QPoint &twips) const
    {
        return toViewport(QRect(twips, QSize(1, 1))).topLeft();
    }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
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
    struct Tile
    {
        QImage image;
        bool stale = false;
        bool pending = false;
    };

    void onEngineEvent(const QJsonObject &event);
    void relayout();
    void invalidate(const QRect &twips, bool all);
    void ensureCursorVisible();
    QRect visibleTiles() const;
    QRect tileTwips(int column, int row) const;
    QRect tileViewportRect(int column, int row) const;
    QRect toViewport(const QRect &twips) const;
    void requestMissingTiles();
    void storeTile(quint64 key, int generation, const QImage &image);
    void sendMouse(int action, QMouseEvent *event, int count);
    void sendKey(int action, QKeyEvent *event);
    void sendText(const QString &text);
    void pruneTiles();
    static quint64 tileKey(int column, int row)
    {
        return (quint64(quint32(row)) << 32) | quint32(column);
    }

    EngineClient *m_engine;
    DocumentInfo m_info;
    bool m_hasDocument = false;
    QString m_message;
    double m_scale = 1.0 / 15.0; // logical pixels per twip
    int m_offsetX = 0;           // left margin when the document is narrower than the view
    int m_generation = 0;
    QHash<quint64, Tile> m_tiles;
    QRect m_cursor;
    bool m_cursorVisible = true;
    QList<QRect> m_selection;
    QTabBar *m_parts;
    QWidget *m_transfer;
    QLabel *m_transferLabel;
    QProgressBar *m_transferBar;
};

// Key codes the engine understands for a Qt key (with its modifiers); 0 for none.
int engineKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

} // namespace framer
