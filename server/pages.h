#pragma once

#include "database.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillary::server {

std::string htmlEscape(std::string_view text);

// A name as the list shows it: every kind of white space (ASCII or Unicode) and every
// control character becomes "_", so a name is always one word.
std::string listName(std::string_view name);

std::string formatSize(std::uint64_t bytes);
std::string formatTime(std::int64_t secondsSinceEpoch); // local time, "2024-05-01 09:30:00"

std::string editAddress(std::int64_t id); // "/quillary/webdocedit.asp?oper=edit&id=<id>"
std::string readAddress(std::int64_t id);
std::string downloadAddress(std::int64_t id);
std::string versionsAddress(std::int64_t id);

// The document list. Each document is one rendered line: its list name, a space, the edit
// link, a space, the read link, then its size and last-saved time. No other line carries
// both link captions, and no other link points at the edit page, so a reader that pairs
// such lines with edit links by order gets exactly name + edit address per document.
std::string listPage(const std::vector<DocumentInfo> &documents);
std::string editPage(const DocumentInfo &document);
std::string readPage(const DocumentInfo &document);
std::string versionsPage(const DocumentInfo &document, const std::vector<VersionInfo> &versions);
std::string messagePage(std::string_view title, std::string_view text);

std::string forumPage();
std::string introPage();
std::string purchasePage();

} // namespace quillary::server
