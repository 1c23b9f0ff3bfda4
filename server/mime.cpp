#include "mime.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace quillary::server {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 17> types{{
    {"doc", "application/msword"},
    {"dot", "application/msword"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"wps", "application/vnd.ms-works"},
    {"et", "application/vnd.ms-excel"},
    {"dps", "application/vnd.ms-powerpoint"},
    {"odt", "application/vnd.oasis.opendocument.text"},
    {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    {"odp", "application/vnd.oasis.opendocument.presentation"},
    {"rtf", "application/rtf"},
    {"pdf", "application/pdf"},
    {"jpg", "image/jpeg"},
    {"gif", "image/gif"},
}};

bool isUnreserved(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

} // namespace

std::string extensionOf(std::string_view fileName)
{
    const auto slash = fileName.find_last_of("/\\");
    if (slash != fileName.npos)
        fileName.remove_prefix(slash + 1);
    const auto dot = fileName.rfind('.');
    if (dot == fileName.npos || dot == 0 || dot + 1 == fileName.size())
        return {};
    std::string extension(fileName.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string_view contentTypeForExtension(std::string_view extension)
{
    for (const auto &[name, type] : types) {
        if (name == extension)
            return type;
    }
    return "application/octet-stream";
}

std::string attachmentDisposition(std::string_view fileName, std::string_view asciiFallback)
{
    std::string fallback;
    for (unsigned char c : asciiFallback)
        fallback.push_back(c >= 0x20 && c < 0x7f && c != '"' && c != '\\' ? char(c) : '_');
    std::string encoded;
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : fileName) {
        if (isUnreserved(c)) {
            encoded.push_back(char(c));
        } else {
            encoded.push_back('%');
            encoded.push_back(hex[c >> 4]);
            encoded.push_back(hex[c & 15]);
        }
    }
    return "attachment; filename=\"" + fallback + "\"; filename*=UTF-8''" + encoded;
}

} // namespace quillary::server
