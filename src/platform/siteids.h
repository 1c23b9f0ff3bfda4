#pragma once

#include "automation/dispatch.h"

namespace platform {

// Dispatch ids of the properties the hosting site adds to every control it hosts.
namespace siteid {
constexpr automation::DispId Visible = static_cast<automation::DispId>(0x80010007);
constexpr automation::DispId Width = static_cast<automation::DispId>(0x80010005);
constexpr automation::DispId Height = static_cast<automation::DispId>(0x80010006);
} // namespace siteid

} // namespace platform
