#pragma once

#include "engineevents.h"
#include "enginereplies.h"
#include "enginerequests.h"

// The messages the document control and the office engine exchange: one type per request,
// reply and event. Each type names its fields once, in fields(), which the codec walks to
// write and read it; adding a field there is all it takes to carry it.
namespace engineprotocol {

struct RequestFrame
{
    quint64 id = 0;
    Request request;
    static auto fields(auto &m) { return std::tie(m.id, m.request); }
};
struct ReplyFrame
{
    quint64 id = 0;
    Reply reply;
    static auto fields(auto &m) { return std::tie(m.id, m.reply); }
};
struct EventFrame
{
    Event event;
    static auto fields(auto &m) { return std::tie(m.event); }
};
using Frame = std::variant<RequestFrame, ReplyFrame, EventFrame>;

} // namespace engineprotocol
