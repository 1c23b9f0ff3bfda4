#include "widgets/slides/slidethumbnails.h"

#include "core/documentmodel.h"
#include "core/engineclient.h"
#include "widgets/slides/slidepanel.h"
#include "widgets/view/documentview.h"

#include <QTimer>

using namespace engineprotocol;

namespace framer {

namespace {

constexpr int ChangePauseMs = 400;

bool hasSlides(const DocumentView &view)
{
    return view.hasDocument() && (view.model().kind() == DocumentKind::Presentation ||
                                  view.model().kind() == DocumentKind::Drawing);
}

} // namespace

SlideThumbnails::SlideThumbnails(EngineClient *engine, DocumentView *view, SlidePanel *panel)
    : QObject(panel), m_engine(engine), m_view(view), m_panel(panel), m_changes(new QTimer(this))
{
    m_panel->hide();
    m_changes->setSingleShot(true);
    m_changes->setInterval(ChangePauseMs);
    connect(m_changes, &QTimer::timeout, this, &SlideThumbnails::drawNext);
    connect(view, &DocumentView::documentChanged, this, &SlideThumbnails::onDocumentChanged);
    connect(view, &DocumentView::partShown, panel, &SlidePanel::setCurrentSlide);
    connect(panel, &SlidePanel::slideChosen, view, &DocumentView::showPart);
    connect(panel, &SlidePanel::scrolled, this, &SlideThumbnails::drawNext);
    connect(engine, &EngineClient::eventReceived, this, &SlideThumbnails::onEngineEvent);
}

void SlideThumbnails::onDocumentChanged()
{
    m_changes->stop();
    if (!hasSlides(*m_view)) {
        m_queue.reset(0);
        m_panel->clear();
        m_panel->hide();
        return;
    }
    const reply::DocumentInfo &info = m_view->model().info();
    m_size = thumbnailSize(QSize(int(info.width), int(info.height)), m_panel->thumbnailWidth());
    m_queue.reset(info.parts);
    m_panel->setSlides(info.parts, m_size);
    m_panel->setCurrentSlide(info.part);
    m_panel->show();
    // Once the panel is laid out, so the thumbnails in sight come first.
    QTimer::singleShot(0, this, &SlideThumbnails::drawNext);
}

void SlideThumbnails::onEngineEvent(const Event &event)
{
    if (m_queue.count() == 0)
        return;
    // Edits happen on the slide shown: a change that names no slide is on that one. Others are
    // not drawn again for it, which also keeps a text being edited off their thumbnails.
    if (const auto *changed = std::get_if<event::Invalidate>(&event)) {
        m_queue.invalidate(changed->part.value_or(m_view->model().part()));
        m_changes->start();
    }
}

void SlideThumbnails::drawNext()
{
    if (m_size.isEmpty())
        return;
    const auto [first, last] = m_panel->slidesInSight();
    const std::optional<int> slide = m_queue.takeNext(first, last);
    if (!slide)
        return;
    const qreal ratio = m_panel->devicePixelRatioF();
    const QSize pixels(int(m_size.width() * ratio), int(m_size.height() * ratio));
    const int generation = m_queue.generation();
    const auto arrived = [this, slide = *slide, generation](QImage image) {
        if (generation != m_queue.generation())
            return;
        if (m_queue.arrived(slide, generation, !image.isNull())) {
            image.setDevicePixelRatio(m_panel->devicePixelRatioF());
            m_panel->setThumbnail(slide, image);
        }
        drawNext();
    };
    m_engine->ask<reply::Tile>(
        request::PartThumbnail{*slide, pixels}, this,
        [arrived](reply::Tile &tile) { arrived(tileImage(std::move(tile))); },
        [arrived](const EngineClient::Failure &) { arrived(QImage()); });
}

} // namespace framer
