#include "core/controlfailure.h"

Q_LOGGING_CATEGORY(lcFramer, "quillary.framer", QtInfoMsg)

namespace framer {

void fail(quillary::ControlError::Code code, const QString &message)
{
    throw ControlFailure{{code, message}};
}

void fail(const quillary::ControlError &error)
{
    throw ControlFailure{error};
}

void fail(const QString &message)
{
    fail(quillary::ControlError::Failed, message);
}

} // namespace framer
