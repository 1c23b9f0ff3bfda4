#pragma once

#include <QtGlobal>

namespace framer {

// The engine's memory limit (address space) when the host sets none: half of the machine's
// memory, but never below what LibreOffice needs to open large documents.
quint64 defaultEngineMemoryLimit();

} // namespace framer
