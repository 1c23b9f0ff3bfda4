#include "core/enginelimits.h"

#include <algorithm>

#include <unistd.h>

namespace framer {

quint64 defaultEngineMemoryLimit()
{
    constexpr quint64 Floor = 4ULL << 30;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return Floor;
    return std::max(Floor, quint64(pages) * quint64(pageSize) / 2);
}

} // namespace framer
