#include "widgets/slides/slidepanel.h"

#include <QPainter>
#include <QScrollBar>

namespace framer {

namespace {

constexpr int PanelWidth = 180;
constexpr int Frame = 2;

QPixmap framed(const QImage &image, QSize size, const QColor &frame)
{
    QPixmap pixmap(size + QSize(2 * Frame, 2 * Frame));
    pixmap.fill(frame);
    QPainter painter(&pixmap);
    const QRect inside(QPoint(Frame, Frame), size);
    painter.fillRect(inside, Qt::white);
    if (!image.isNull())
        painter.drawImage(inside, image);
    return pixmap;
}

// The current slide's thumbnail is framed in the selection's colour.
QIcon thumbnailIcon(const QImage &image, QSize size, const QPalette &palette)
{
    QIcon icon(framed(image, size, palette.color(QPalette::Mid)));
    icon.addPixmap(framed(image, size, palette.color(QPalette::Highlight)), QIcon::Selected);
    return icon;
}

} // namespace

SlidePanel::SlidePanel(QWidget *parent) : QListWidget(parent)
{
    setAccessibleName(QStringLiteral("幻灯片"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSpacing(6);
    setFixedWidth(PanelWidth);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            emit slideChosen(row);
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &SlidePanel::scrolled);
}

int SlidePanel::thumbnailWidth() const
{
    return PanelWidth - 2 * spacing() - verticalScrollBar()->sizeHint().width() - 8;
}

void SlidePanel::setSlides(int count, QSize thumbnail)
{
    const QSignalBlocker blocker(this);
    clear();
    setIconSize(thumbnail + QSize(2 * Frame, 2 * Frame));
    const QIcon blank = thumbnailIcon({}, thumbnail, palette());
    for (int slide = 0; slide < count; ++slide) {
        auto *item = new QListWidgetItem(blank, QString::number(slide + 1), this);
        item->setData(Qt::AccessibleTextRole, QStringLiteral("幻灯片 %1").arg(slide + 1));
        item->setTextAlignment(Qt::AlignHCenter);
    }
}

void SlidePanel::setThumbnail(int slide, const QImage &image)
{
    if (QListWidgetItem *it = item(slide))
        it->setIcon(thumbnailIcon(image, iconSize() - QSize(2 * Frame, 2 * Frame), palette()));
}

void SlidePanel::setCurrentSlide(int slide)
{
    const QSignalBlocker blocker(this);
    setCurrentRow(slide);
    if (QListWidgetItem *it = item(slide))
        scrollToItem(it);
}

std::pair<int, int> SlidePanel::slidesInSight() const
{
    int first = -1;
    int last = -2;
    for (int row = 0; row < count(); ++row) {
        if (!visualItemRect(item(row)).intersects(viewport()->rect()))
            continue;
        if (first < 0)
            first = row;
        last = row;
    }
    return {first, last};
}

} // namespace framer
