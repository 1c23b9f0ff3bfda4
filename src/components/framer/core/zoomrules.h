#pragma once

#include <quillary/zoom.h>

#include <QList>
#include <QSize>
#include <QString>

#include <optional>

// What a zoom means in pixels, and how the user steps through zooms.
namespace framer {

// The percentages Ctrl+wheel and Ctrl+plus/minus step through.
const QList<int> &zoomSteps();
// The step after percent, larger when direction > 0, smaller otherwise; stays at the ends.
int nextZoomStep(int percent, int direction);

// Pixels per twip for zoom: page is the size of a page (twips) for fitting a page, document
// the document's size for fitting the width; viewport in pixels, margins excluded.
double zoomScale(const quillary::Zoom &zoom, QSize page, QSize document, QSize viewport);
// The percentage a scale shows the document at.
int zoomPercent(double scale);

// "适合宽度", "适合页面", "150%".
QString zoomText(const quillary::Zoom &zoom);
// The zoom typed or picked in the zoom box: either fit, or a number with or without "%",
// clamped; nothing for other text.
std::optional<quillary::Zoom> zoomFromText(const QString &text);

} // namespace framer
