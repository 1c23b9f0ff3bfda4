#pragma once

#include "automation/variant.h"

#include <quillary/controlerror.h>

#include <QString>

#include <cstdint>
#include <vector>

// Arguments and errors as the control's automation members take and raise them.
namespace framerdispatch {

[[noreturn]] void raise(std::int32_t number, const QString &description);
// The automation error for a failure of the control.
[[noreturn]] void raise(const quillary::ControlError &error);

// A string argument, by value or by reference; empty for an empty variant.
QString stringArgument(const automation::Variant &argument, const char *member);
// A string argument the member cannot do without.
QString requiredString(const std::vector<automation::Variant> &args, std::size_t index,
                       const char *member, const char *parameter);

} // namespace framerdispatch
