#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace doclist {

// Builds the server document list from a page's text and its link addresses. Names come from
// the text lines that offer both an edit and a read action; they are paired by order with the
// edit links, and each pair becomes the entry name + address. Links are offered one at a time,
// as the page hands them out. Runs in time linear in the page size.
class DocumentListBuilder
{
public:
    explicit DocumentListBuilder(std::string_view pageText);

    // The entry this link adds, if any.
    std::optional<std::string> offer(const std::string &address);

    const std::vector<std::string> &names() const { return m_names; }

private:
    std::vector<std::string> m_names;
    std::size_t m_next = 0;
    std::string m_previousAddress;
};

std::vector<std::string> buildDocumentList(std::string_view pageText,
                                           const std::vector<std::string> &links);

// Text comparison: ASCII letters match whatever their case.
bool containsText(std::string_view haystack, std::string_view needle);

} // namespace doclist
