#pragma once

#include <QListWidget>

namespace framer {

// The slides of a presentation as a column of numbered thumbnails beside the slide shown; the
// current one selected. Choosing one is forwarded; the thumbnails are drawn elsewhere.
class SlidePanel : public QListWidget
{
    Q_OBJECT

public:
    explicit SlidePanel(QWidget *parent = nullptr);

    // count slides, each with a blank thumbnail of this size until its own arrives.
    void setSlides(int count, QSize thumbnail);
    void setThumbnail(int slide, const QImage &image);
    void setCurrentSlide(int slide);
    // The first and last slide in sight; -1, -2 when none is.
    std::pair<int, int> slidesInSight() const;
    // The width thumbnails get in the panel.
    int thumbnailWidth() const;

signals:
    void slideChosen(int slide);
    // Other thumbnails came into sight.
    void scrolled();
};

} // namespace framer
