#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quillary::server {

// The boundary parameter of a multipart/form-data media type (quoted or not, 1 to 70
// characters), or nothing when the type is another one or carries no usable boundary.
std::optional<std::string> formDataBoundary(std::string_view contentType);

// Reads a multipart/form-data body as it arrives, in pieces of any size, and hands on each
// part's field name, file name and bytes. The preamble and epilogue are skipped.
class MultipartReader
{
public:
    struct Part
    {
        std::string name;     // the Content-Disposition name, empty when there is none
        std::string fileName; // its filename, taken as written; empty for a plain field
    };
    // Either callback returns false to stop reading.
    using PartStarts = std::function<bool(const Part &part)>;
    using PartBytes = std::function<bool(std::string_view bytes)>;

    MultipartReader(std::string boundary, PartStarts partStarts, PartBytes partBytes);

    // False once the body is malformed or a callback stopped it; later calls do nothing.
    bool feed(std::string_view bytes);
    // True once the closing delimiter has been read.
    bool complete() const { return m_state == State::Done; }

private:
    enum class State { Preamble, DelimiterEnd, Headers, Body, Done, Stopped };

    bool step(std::size_t &at);
    bool partHeaders(std::string_view block);

    std::string m_delimiter; // CRLF "--" boundary
    PartStarts m_partStarts;
    PartBytes m_partBytes;
    State m_state = State::Preamble;
    std::string m_buffer;
};

} // namespace quillary::server
