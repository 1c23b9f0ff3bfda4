#pragma once

#include <QList>
#include <QSize>

#include <optional>

namespace framer {

// The size of a slide's thumbnail width pixels wide, with the slide's proportions.
QSize thumbnailSize(QSize slideTwips, int width);

// Which slides of a deck have their thumbnails drawn, and which one to ask the engine for next.
// One at a time, so the page's own tiles never wait behind a whole deck; the ones in sight
// first. A thumbnail that comes back for an older deck is not kept.
class ThumbnailQueue
{
public:
    // A new deck of count slides, none drawn.
    void reset(int count);
    int count() const { return int(m_states.size()); }
    int generation() const { return m_generation; }

    // The next slide to draw, now marked as being drawn: the first of first..last (the ones in
    // sight) that is not drawn, else the first such of the deck. Nothing while one is being
    // drawn or when every one is.
    std::optional<int> takeNext(int first, int last);
    // The thumbnail asked for in generation came back, drawn or not; true when it is one of
    // this deck to show. A slide that changed while it was drawn is drawn again all the same.
    bool arrived(int slide, int generation, bool drawn);
    // The slide changed: its thumbnail is drawn again.
    void invalidate(int slide);
    bool isDrawn(int slide) const;

private:
    enum class State { Missing, Drawn, Failed };

    QList<State> m_states;
    std::optional<int> m_drawing;
    bool m_changedWhileDrawing = false;
    int m_generation = 0;
};

} // namespace framer
