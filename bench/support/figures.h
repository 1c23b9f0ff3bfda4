#pragma once

#include <QString>

#include <vector>

// What every benchmark does with its figures and its failures.
namespace benchsupport {

// The middle value (the upper one of an even count); values must not be empty.
double median(std::vector<double> values);
// Says why the benchmark cannot go on, after the program's name, and ends it.
[[noreturn]] void die(const QString &message);

} // namespace benchsupport
