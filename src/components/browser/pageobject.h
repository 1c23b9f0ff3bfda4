#pragma once

#include "automation/dispatch.h"

#include <memory>
#include <string>
#include <vector>

namespace browser {

// What the page object answers from: one snapshot of a loaded page, taken when it completed.
struct PageSnapshot
{
    bool hasBody = false;
    std::string bodyText;           // rendered text, lines separated by CR LF
    std::vector<std::string> links; // absolute addresses, in document order
};

// The loaded page as an automation object: body.innertext, links.length, links(i).href.
std::shared_ptr<automation::Dispatch> makePageObject(std::shared_ptr<const PageSnapshot> page);

// Rendered text as a script reads it uses LF; the page object gives it with CR LF.
std::string withCrLfLineBreaks(const std::string &text);

} // namespace browser
