#include "multipart.h"

#include <algorithm>
#include <cctype>

namespace quillary::server {
namespace {

constexpr std::size_t maxHeaderBlock = 16 * 1024;
constexpr std::size_t maxPadding = 1024;

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A parameter of a header value such as `form-data; name="file"; filename="a.doc"`. Quoted
// values are taken as written up to the next quote (browsers escape a quote in a file name as
// %22 and leave backslashes alone).
std::optional<std::string> parameter(std::string_view value, std::string_view wanted)
{
    std::size_t at = value.find(';');
    while (at != std::string_view::npos) {
        const auto equals = value.find('=', at + 1);
        if (equals == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = trim(value.substr(at + 1, equals - at - 1));
        std::size_t start = equals + 1;
        while (start < value.size() && (value[start] == ' ' || value[start] == '\t'))
            ++start;
        std::string_view content;
        if (start < value.size() && value[start] == '"') {
            const auto close = value.find('"', start + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            content = value.substr(start + 1, close - start - 1);
            at = value.find(';', close + 1);
        } else {
            at = value.find(';', start);
            content = trim(value.substr(start, at == std::string_view::npos ? at : at - start));
        }
        if (equalsNoCase(name, wanted))
            return std::string(content);
    }
    return std::nullopt;
}

bool isBoundaryCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("'()+_,-./:=? ").find(c) != std::string_view::npos;
}

} // namespace

std::optional<std::string> formDataBoundary(std::string_view contentType)
{
    if (!equalsNoCase(trim(contentType.substr(0, contentType.find(';'))), "multipart/form-data"))
        return std::nullopt;
    auto boundary = parameter(contentType, "boundary");
    if (!boundary || boundary->empty() || boundary->size() > 70 || boundary->back() == ' ' ||
        !std::all_of(boundary->begin(), boundary->end(), isBoundaryCharacter))
        return std::nullopt;
    return boundary;
}

// The first delimiter of a body has no line break before it; reading the body as if it
// began with one finds both kinds alike.
MultipartReader::MultipartReader(std::string boundary, PartStarts partStarts, PartBytes partBytes)
    : m_delimiter("\r\n--" + boundary), m_partStarts(std::move(partStarts)),
      m_partBytes(std::move(partBytes)), m_buffer("\r\n")
{
}

bool MultipartReader::feed(std::string_view bytes)
{
    if (m_state == State::Stopped || m_state == State::Done)
        return m_state == State::Done;
    m_buffer.append(bytes);
    std::size_t at = 0;
    while (step(at)) {
    }
    m_buffer.erase(0, at);
    return m_state != State::Stopped;
}

// Reads what it can from m_buffer at `at`; false when it needs more bytes or has ended.
bool MultipartReader::step(std::size_t &at)
{
    const std::string_view rest = std::string_view(m_buffer).substr(at);
    switch (m_state) {
    case State::Preamble:
    case State::Body: {
        const auto found = rest.find(m_delimiter);
        // Without a delimiter, keep what could be the start of one.
        const std::size_t keep = m_delimiter.size() - 1;
        const std::size_t end = found != std::string_view::npos ? found
                                : rest.size() > keep            ? rest.size() - keep
                                                                : 0;
        if (m_state == State::Body && end > 0 && !m_partBytes(rest.substr(0, end))) {
            m_state = State::Stopped;
            return false;
        }
        at += end;
        if (found == std::string_view::npos)
            return false;
        at += m_delimiter.size();
        m_state = State::DelimiterEnd;
        return true;
    }
    case State::DelimiterEnd: {
        if (rest.size() < 2)
            return false;
        if (rest.starts_with("--")) {
            m_state = State::Done; // the epilogue is ignored
            at = m_buffer.size();
            return false;
        }
        const auto lineEnd = rest.find("\r\n");
        std::string_view padding = rest.substr(0, lineEnd);
        if (lineEnd == std::string_view::npos && padding.ends_with('\r'))
            padding.remove_suffix(1); // the line break may be on its way
        if (padding.find_first_not_of(" \t") != std::string_view::npos ||
            padding.size() > maxPadding) {
            m_state = State::Stopped;
            return false;
        }
        if (lineEnd == std::string_view::npos)
            return false;
        at += lineEnd + 2;
        m_state = State::Headers;
        return true;
    }
    case State::Headers: {
        std::string_view block;
        std::size_t used = 2; // a part without headers: just the empty line
        if (!rest.starts_with("\r\n")) {
            const auto end = rest.find("\r\n\r\n");
            if (end == std::string_view::npos && rest.size() <= maxHeaderBlock)
                return false;
            if (end == std::string_view::npos || end > maxHeaderBlock) {
                m_state = State::Stopped;
                return false;
            }
            block = rest.substr(0, end);
            used = end + 4;
        }
        if (!partHeaders(block)) {
            m_state = State::Stopped;
            return false;
        }
        at += used;
        m_state = State::Body;
        return true;
    }
    case State::Done:
        at = m_buffer.size();
        return false;
    case State::Stopped:
        return false;
    }
    return false;
}

bool MultipartReader::partHeaders(std::string_view block)
{
    Part part;
    while (!block.empty()) {
        const auto lineEnd = block.find("\r\n");
        const std::string_view line = block.substr(0, lineEnd);
        block = lineEnd == std::string_view::npos ? std::string_view() : block.substr(lineEnd + 2);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return false;
        if (equalsNoCase(trim(line.substr(0, colon)), "Content-Disposition")) {
            const std::string_view value = line.substr(colon + 1);
            part.name = parameter(value, "name").value_or("");
            part.fileName = parameter(value, "filename").value_or("");
        }
    }
    return m_partStarts(part);
}

} // namespace quillary::server
