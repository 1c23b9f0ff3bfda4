#pragma once

#include "core/thumbnailqueue.h"
#include "enginemessages.h"

#include <QObject>

class QTimer;

namespace framer {

class DocumentView;
class EngineClient;
class SlidePanel;

// Fills a slide panel for the presentation a view shows: thumbnails drawn small by the engine,
// asked for one at a time without waiting, the ones in sight first, and again for a slide that
// changed. Choosing a thumbnail shows its slide in the view; the view's slide is the one
// selected.
class SlideThumbnails : public QObject
{
    Q_OBJECT

public:
    SlideThumbnails(EngineClient *engine, DocumentView *view, SlidePanel *panel);

private:
    void onDocumentChanged();
    void onEngineEvent(const engineprotocol::Event &event);
    // Asks for the next thumbnail unless one is on its way.
    void drawNext();

    EngineClient *m_engine;
    DocumentView *m_view;
    SlidePanel *m_panel;
    ThumbnailQueue m_queue;
    QSize m_size;
    // Edits change a slide many times a second; its thumbnail follows once they pause.
    QTimer *m_changes;
};

} // namespace framer
