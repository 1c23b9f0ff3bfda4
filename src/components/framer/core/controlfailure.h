#pragma once

#include <quillary/controlerror.h>

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcFramer)

namespace framer {

// How the control's parts report a failure; the public API turns it into its lastError().
struct ControlFailure
{
    quillary::ControlError error;
};

[[noreturn]] void fail(quillary::ControlError::Code code, const QString &message);
[[noreturn]] void fail(const quillary::ControlError &error);
// A failure of code Failed.
[[noreturn]] void fail(const QString &message);

} // namespace framer
