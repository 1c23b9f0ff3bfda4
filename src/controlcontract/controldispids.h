#pragma once

#include "automation/dispatch.h"

// The document control's members as the client calls them, late bound: dispatch id and kind.
// The control answers these ids and the client's proxy calls them; this is their one table.
namespace controlcontract::dispid {

constexpr automation::DispId DocumentObject = 0x10002;  // property get: the office object
constexpr automation::DispId OpenDocument = 0x10004;    // (source)
constexpr automation::DispId SaveDocument = 0x10005;    // (upload address)
constexpr automation::DispId HandSign = 0x10007;        // ()
constexpr automation::DispId CloseDocument = 0x10009;   // ()
constexpr automation::DispId ShowFileDialog = 0x1000E;  // (1 open | 3 save)
constexpr automation::DispId DocumentName = 0x10015;    // property get
constexpr automation::DispId InsertFile = 0x10072;      // (path, flags) -> Boolean
constexpr automation::DispId MarkCommand = 0x10086;     // (mark, value, keyword) -> Boolean
constexpr automation::DispId ProtectDocument = 0x10087; // (1 | 0, mode, password)
constexpr automation::DispId ReplaceText = 0x10101;     // (find, replacement, match case)
constexpr automation::DispId DownloadFile = 0x10109;    // (target path, address)

} // namespace controlcontract::dispid
