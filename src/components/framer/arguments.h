#pragma once

#include "automation/variant.h"

#include <QString>

#include <cstdint>

namespace framer {

// Raises an automation error with a description in the user's language.
[[noreturn]] void fail(std::int32_t number, const QString &description);

// A string argument, by value or by reference; empty for an empty variant.
QString stringArgument(const automation::Variant &argument, const char *member);

// An http or https address, as opposed to a local or Windows-style path.
bool isWebAddress(const QString &source);

} // namespace framer
