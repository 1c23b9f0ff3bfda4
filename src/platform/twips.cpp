#include "twips.h"

#include <QWidget>

#include <cmath>

namespace platform {

int twipsToPixels(float twips)
{
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

float pixelsToTwips(int pixels)
{
    return static_cast<float>(pixels) * TwipsPerPixel;
}

QRect rectFromTwips(float left, float top, float width, float height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

std::optional<float> sizeLessMargin(float outer, float margin)
{
    const float size = outer - margin;
    if (size > 0.0f)
        return size;
    return std::nullopt;
}

QSizeF outerSizeInTwips(const QWidget *window)
{
    const QSize size = window->frameGeometry().size();
    return QSizeF(pixelsToTwips(size.width()), pixelsToTwips(size.height()));
}

} // namespace platform
