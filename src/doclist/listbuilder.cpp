#include "listbuilder.h"

#include <algorithm>
#include <cctype>

namespace doclist {

namespace {

constexpr std::string_view LineBreak = "\r\n";
constexpr std::string_view EditMarker = "编辑";
constexpr std::string_view ReadMarker = "阅读";
constexpr std::string_view EditPageMarker = "webdocedit";
constexpr std::string_view EditOperMarker = "oper=edit";

std::string_view trimSpaces(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool offersEditAndRead(std::string_view line)
{
    const std::string_view trimmed = trimSpaces(line);
    return !trimmed.empty() && containsText(trimmed, EditMarker) &&
           containsText(trimmed, ReadMarker);
}

} // namespace

bool containsText(std::string_view haystack, std::string_view needle)
{
    const auto lower = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), lower) !=
           haystack.end();
}

DocumentListBuilder::DocumentListBuilder(std::string_view pageText)
{
    bool anyName = false;
    std::size_t start = 0;
    while (start <= pageText.size() && !pageText.empty()) {
        const std::size_t end = pageText.find(LineBreak, start);
        const std::string_view line = pageText.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (offersEditAndRead(line)) {
            m_names.emplace_back(line.substr(0, line.find(' ')));
            anyName = true;
        }
        if (end == std::string_view::npos)
            break;
        start = end + LineBreak.size();
    }
    // The collected names end with a line break, so cutting them leaves one empty name last.
    if (anyName)
        m_names.emplace_back();
}

std::optional<std::string> DocumentListBuilder::offer(const std::string &address)
{
    if (!containsText(address, EditPageMarker) || !containsText(address, EditOperMarker))
        return std::nullopt;
    std::optional<std::string> entry;
    if (address != m_previousAddress && m_next < m_names.size())
        entry = m_names[m_next++] + address;
    m_previousAddress = address;
    return entry;
}

std::vector<std::string> buildDocumentList(std::string_view pageText,
                                           const std::vector<std::string> &links)
{
    DocumentListBuilder builder(pageText);
    std::vector<std::string> entries;
    entries.reserve(std::min(links.size(), builder.names().size()));
    for (const std::string &address : links)
        if (auto entry = builder.offer(address))
            entries.push_back(std::move(*entry));
    return entries;
}

} // namespace doclist
