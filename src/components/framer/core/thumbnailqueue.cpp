#include "core/thumbnailqueue.h"

#include <algorithm>
#include <cmath>

namespace framer {

QSize thumbnailSize(QSize slideTwips, int width)
{
    if (slideTwips.isEmpty() || width <= 0)
        return {};
    const double height = double(width) * slideTwips.height() / slideTwips.width();
    return QSize(width, std::max(1, int(std::lround(height))));
}

void ThumbnailQueue::reset(int count)
{
    m_states = QList<State>(std::max(0, count), State::Missing);
    m_drawing.reset();
    m_changedWhileDrawing = false;
    ++m_generation;
}

std::optional<int> ThumbnailQueue::takeNext(int first, int last)
{
    if (m_drawing)
        return std::nullopt;
    const auto missingIn = [this](int from, int to) -> std::optional<int> {
        for (int slide = std::max(0, from); slide <= to && slide < count(); ++slide)
            if (m_states[slide] == State::Missing)
                return slide;
        return std::nullopt;
    };
    m_drawing = missingIn(first, last);
    if (!m_drawing)
        m_drawing = missingIn(0, count() - 1);
    m_changedWhileDrawing = false;
    return m_drawing;
}

bool ThumbnailQueue::arrived(int slide, int generation, bool drawn)
{
    if (generation != m_generation || m_drawing != slide)
        return false;
    m_drawing.reset();
    if (!m_changedWhileDrawing)
        m_states[slide] = drawn ? State::Drawn : State::Failed;
    return drawn;
}

void ThumbnailQueue::invalidate(int slide)
{
    if (slide < 0 || slide >= count())
        return;
    m_states[slide] = State::Missing;
    if (m_drawing == slide)
        m_changedWhileDrawing = true;
}

bool ThumbnailQueue::isDrawn(int slide) const
{
    return slide >= 0 && slide < count() && m_states[slide] == State::Drawn;
}

} // namespace framer
