#pragma once

#include <string>
#include <vector>

namespace quillary::testing {

// What a browser makes of one of our simple pages: the rendered text lines (block elements
// and <br> end a line, tags are dropped, entities decoded, runs of white space collapsed)
// and the link addresses made absolute against `base`.
struct RenderedPage
{
    std::vector<std::string> lines;
    std::vector<std::string> links;
};
RenderedPage renderPage(const std::string &html, const std::string &base);

// The demonstration client's list rule: names are the first words of lines holding both
// link captions, paired by order with links whose address holds "webdocedit" and
// "oper=edit" (a repeat of the previous such address is skipped).
std::vector<std::string> listEntries(const RenderedPage &page);

} // namespace quillary::testing
