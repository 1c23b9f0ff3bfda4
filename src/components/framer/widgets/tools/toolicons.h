#pragma once

#include "core/tools.h"

#include <QColor>
#include <QIcon>

namespace framer {

// The tool bar's pictures, drawn here so that they look the same on every desktop, icon
// theme or none. colour is the font colour tool's bar.
QIcon toolIcon(Tool tool, const QColor &colour = Qt::red);

} // namespace framer
