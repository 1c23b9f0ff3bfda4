#include "figures.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace benchsupport {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void die(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, qPrintable(message));
    std::exit(1);
}

} // namespace benchsupport
