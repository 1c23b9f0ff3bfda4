#pragma once

#include <string>
#include <string_view>

namespace quillary::server {

// Lower-case extension without the dot ("doc"), or empty when the name has none.
std::string extensionOf(std::string_view fileName);

// The media type for a document extension; application/octet-stream when unknown.
std::string_view contentTypeForExtension(std::string_view extension);

// A Content-Disposition value naming the file: an ASCII fallback name plus the UTF-8 name
// (RFC 6266 / RFC 5987), both ending in the extension.
std::string attachmentDisposition(std::string_view fileName, std::string_view asciiFallback);

} // namespace quillary::server
