#include "core/zoomrules.h"

#include "core/tilegrid.h"

#include <algorithm>
#include <cmath>

using quillary::Zoom;

namespace framer {

namespace {

const QString FitWidthText = QStringLiteral("适合宽度");
const QString FitPageText = QStringLiteral("适合页面");

// Fitting never goes below an eighth of the actual size or above four times it.
double clampedFit(double scale)
{
    return std::clamp(scale, TileGrid::ActualSize / 8, TileGrid::ActualSize * 4);
}

} // namespace

const QList<int> &zoomSteps()
{
    static const QList<int> steps{50, 60, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
    return steps;
}

int nextZoomStep(int percent, int direction)
{
    const QList<int> &steps = zoomSteps();
    if (direction > 0) {
        const auto next = std::upper_bound(steps.cbegin(), steps.cend(), percent);
        return next == steps.cend() ? steps.last() : *next;
    }
    const auto next = std::lower_bound(steps.cbegin(), steps.cend(), percent);
    return next == steps.cbegin() ? steps.first() : *std::prev(next);
}

double zoomScale(const Zoom &zoom, QSize page, QSize document, QSize viewport)
{
    switch (zoom.mode) {
    case Zoom::Percent:
        return TileGrid::ActualSize * std::clamp(zoom.percent, Zoom::MinPercent, Zoom::MaxPercent) /
               100.0;
    case Zoom::FitPage:
        if (!page.isEmpty())
            return clampedFit(std::min(double(viewport.width()) / page.width(),
                                       double(viewport.height()) / page.height()));
        break;
    case Zoom::FitWidth:
        break;
    }
    if (document.width() <= 0)
        return TileGrid::ActualSize;
    return clampedFit(double(viewport.width()) / document.width());
}

int zoomPercent(double scale)
{
    return int(std::lround(scale / TileGrid::ActualSize * 100));
}

QString zoomText(const Zoom &zoom)
{
    switch (zoom.mode) {
    case Zoom::FitWidth:
        return FitWidthText;
    case Zoom::FitPage:
        return FitPageText;
    case Zoom::Percent:
        break;
    }
    return QStringLiteral("%1%").arg(zoom.percent);
}

std::optional<Zoom> zoomFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed == FitWidthText)
        return Zoom::fitWidth();
    if (trimmed == FitPageText)
        return Zoom::fitPage();
    QString number = trimmed;
    if (number.endsWith(QLatin1Char('%')) || number.endsWith(QChar(0xff05)))
        number.chop(1);
    bool ok = false;
    const int percent = number.trimmed().toInt(&ok);
    if (!ok || percent <= 0)
        return std::nullopt;
    return Zoom::at(percent);
}

} // namespace framer
