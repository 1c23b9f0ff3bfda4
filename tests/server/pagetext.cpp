#include "pagetext.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace quillary::testing {
namespace {

std::string decodeEntities(std::string text)
{
    const std::pair<const char *, const char *> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto &[from, to] : entities) {
        for (std::size_t at = text.find(from); at != std::string::npos;
             at = text.find(from, at + 1))
            text.replace(at, std::string(from).size(), to);
    }
    return text;
}

bool containsNoCase(const std::string &text, const std::string &needle)
{
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return s;
    };
    return lower(text).find(lower(needle)) != std::string::npos;
}

} // namespace

RenderedPage renderPage(const std::string &html, const std::string &base)
{
    RenderedPage page;
    std::string body = html;
    if (const auto start = body.find("<body>"); start != std::string::npos)
        body.erase(0, start + 6);

    const std::regex href(R"(<a href="([^"]*)\")");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), href);
         it != std::sregex_iterator(); ++it)
        page.links.push_back(base + decodeEntities((*it)[1].str()));

    const std::regex blockTag(R"(</?(div|p|h1|h2|li|ul|tr|table)[^>]*>|<br ?/?>)");
    const std::string marked = std::regex_replace(body, blockTag, "\n");
    const std::string text = decodeEntities(std::regex_replace(marked, std::regex("<[^>]*>"), ""));
    std::string line;
    auto flush = [&] {
        const auto first = line.find_first_not_of(' ');
        if (first != std::string::npos)
            page.lines.push_back(line.substr(first, line.find_last_not_of(' ') - first + 1));
        line.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            flush();
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (!line.empty() && line.back() != ' ')
                line.push_back(' ');
        } else {
            line.push_back(c);
        }
    }
    flush();
    return page;
}

std::vector<std::string> listEntries(const RenderedPage &page)
{
    std::vector<std::string> names;
    for (const std::string &line : page.lines) {
        if (line.find("编辑") != std::string::npos && line.find("阅读") != std::string::npos)
            names.push_back(line.substr(0, line.find(' ')));
    }
    names.emplace_back(); // the client's name list ends with an empty element
    std::vector<std::string> entries;
    std::size_t k = 0;
    std::string previous;
    for (const std::string &link : page.links) {
        if (!containsNoCase(link, "webdocedit") || !containsNoCase(link, "oper=edit"))
            continue;
        if (link != previous && k < names.size() && names.size() > 1)
            entries.push_back(names[k++] + link);
        previous = link;
    }
    return entries;
}

} // namespace quillary::testing
