#pragma once

#include <QRect>
#include <QSizeF>

#include <optional>

class QWidget;

namespace platform {

// The forms layer measures in twips: 15 twips per pixel at 96 dpi; Qt scales for high-dpi screens.
constexpr float TwipsPerPixel = 15.0f;

int twipsToPixels(float twips);
float pixelsToTwips(int pixels);

// A control's geometry given in twips (left, top, width, height), in pixels.
QRect rectFromTwips(float left, float top, float width, float height);

// A top-level window's outer size in twips, frame, caption and menu bar included.
QSizeF outerSizeInTwips(const QWidget *window);

// The size a control gets from a window's outer size less a margin (single precision):
// nothing when the result is not strictly positive, so that size keeps its last value.
std::optional<float> sizeLessMargin(float outer, float margin);

} // namespace platform
