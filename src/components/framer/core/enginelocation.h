#pragma once

#include <QString>

namespace framer {

// The engine program installed with the control: in its private folder found relative to this
// library (never through PATH); in a build tree, where the build put it.
QString installedEnginePath();

} // namespace framer
