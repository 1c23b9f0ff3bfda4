#pragma once

#include "gifwriter.h"

#include <QImage>

namespace quillary::pictures {

// The stamp: a round red seal on a transparent background.
QImage drawSeal(int size);

// The remote picture of the insert demonstration: a banner with the product name.
QImage drawBanner(int width, int height);

// Pixels at least half opaque take the nearest of a few reds; the rest become the
// transparent colour, index 0.
IndexedImage toTransparentIndexed(const QImage &image);

} // namespace quillary::pictures
