#pragma once

#include "enginemessages.h"

#include <quillary/controlerror.h>

#include <optional>

// Why a document was refused, said once for every way of meeting it: the control's own checks,
// the engine's refusals, an engine that died or went silent over it. The message names the file
// and says what to do; what the engine or the system said goes to the detail only.
namespace framer {

// The error for a document refused for cause; name is what the user calls the file.
quillary::ControlError refusal(quillary::ControlError::Cause cause, const QString &name,
                               const QString &detail = {});

// The cause behind an engine's refusal to load, when the code names one.
std::optional<quillary::ControlError::Cause> loadRefusalCause(engineprotocol::ErrorCode code);

} // namespace framer
