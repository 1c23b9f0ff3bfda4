#pragma once

#include "enginemessages.h"

namespace enginecore {

inline engineprotocol::Reply refuse(engineprotocol::ErrorCode code, const QString &message)
{
    return engineprotocol::reply::Error{code, message};
}

// Input waits on what came before it; past the wait, the request is refused.
inline engineprotocol::Reply inputNotSettled()
{
    return refuse(engineprotocol::ErrorCode::NotFinished, QStringLiteral("input did not settle"));
}

} // namespace enginecore
