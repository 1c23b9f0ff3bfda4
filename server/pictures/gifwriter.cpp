#include "gifwriter.h"

#include <stdexcept>

namespace quillary::pictures {
namespace {

class BitWriter
{
public:
    explicit BitWriter(std::string &out) : m_out(out) {}

    void write(unsigned code, int bits)
    {
        m_accumulator |= static_cast<std::uint32_t>(code) << m_count;
        m_count += bits;
        while (m_count >= 8) {
            push(static_cast<char>(m_accumulator & 0xff));
            m_accumulator >>= 8;
            m_count -= 8;
        }
    }

    void finish()
    {
        if (m_count > 0)
            push(static_cast<char>(m_accumulator & 0xff));
        flushBlock();
        m_out.push_back('\0'); // block terminator
    }

private:
    // Image data travels in sub-blocks of at most 255 bytes, each preceded by its length.
    void push(char byte)
    {
        m_block.push_back(byte);
        if (m_block.size() == 255)
            flushBlock();
    }

    void flushBlock()
    {
        if (m_block.empty())
            return;
        m_out.push_back(static_cast<char>(m_block.size()));
        m_out += m_block;
        m_block.clear();
    }

    std::string &m_out;
    std::string m_block;
    std::uint32_t m_accumulator = 0;
    int m_count = 0;
};

void putShort(std::string &out, int value)
{
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>((value >> 8) & 0xff));
}

int paletteBits(std::size_t colours)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < colours)
        ++bits;
    return bits;
}

void encodeLzw(const IndexedImage &image, int minCodeSize, std::string &out)
{
    const unsigned clearCode = 1u << minCodeSize;
    const unsigned endCode = clearCode + 1;
    constexpr unsigned maxCodes = 4096;
    // next[code * 256 + byte] is the code for the string "code + byte", 0 when unknown.
    std::vector<std::uint16_t> next(maxCodes * 256, 0);

    BitWriter writer(out);
    int codeSize = minCodeSize + 1;
    unsigned lastCode = endCode;
    writer.write(clearCode, codeSize);

    int current = -1;
    for (std::uint8_t value : image.pixels) {
        if (current < 0) {
            current = value;
            continue;
        }
        const std::size_t slot = static_cast<std::size_t>(current) * 256 + value;
        if (next[slot] != 0) {
            current = next[slot];
            continue;
        }
        writer.write(static_cast<unsigned>(current), codeSize);
        next[slot] = static_cast<std::uint16_t>(++lastCode);
        if (lastCode >= (1u << codeSize))
            ++codeSize;
        if (lastCode == maxCodes - 1) {
            writer.write(clearCode, codeSize);
            std::fill(next.begin(), next.end(), 0);
            codeSize = minCodeSize + 1;
            lastCode = endCode;
        }
        current = value;
    }
    if (current >= 0)
        writer.write(static_cast<unsigned>(current), codeSize);
    writer.write(endCode, codeSize);
    writer.finish();
}

} // namespace

std::string encodeGif(const IndexedImage &image)
{
    if (image.width <= 0 || image.height <= 0 || image.width > 0xffff || image.height > 0xffff)
        throw std::invalid_argument("GIF: picture size out of range");
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        throw std::invalid_argument("GIF: pixel count does not match the picture size");
    if (image.palette.empty() || image.palette.size() > 256)
        throw std::invalid_argument("GIF: palette must hold 1 to 256 colours");
    for (std::uint8_t value : image.pixels) {
        if (value >= image.palette.size())
            throw std::invalid_argument("GIF: pixel index outside the palette");
    }
    if (image.transparentIndex && *image.transparentIndex >= image.palette.size())
        throw std::invalid_argument("GIF: transparent index outside the palette");

    const int bits = paletteBits(image.palette.size());
    std::string out = "GIF89a";
    putShort(out, image.width);
    putShort(out, image.height);
    out.push_back(static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1))); // global table
    out.push_back('\0');                                                     // background
    out.push_back('\0');                                                     // aspect ratio
    for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i) {
        const Rgb colour = i < image.palette.size() ? image.palette[i] : Rgb{};
        out.push_back(static_cast<char>(colour.r));
        out.push_back(static_cast<char>(colour.g));
        out.push_back(static_cast<char>(colour.b));
    }
    if (image.transparentIndex) {
        out += std::string("\x21\xf9\x04\x01", 4); // graphic control, transparency flag
        putShort(out, 0);                          // delay
        out.push_back(static_cast<char>(*image.transparentIndex));
        out.push_back('\0');
    }
    out.push_back('\x2c'); // image descriptor
    putShort(out, 0);
    putShort(out, 0);
    putShort(out, image.width);
    putShort(out, image.height);
    out.push_back('\0');
    const int minCodeSize = bits < 2 ? 2 : bits;
    out.push_back(static_cast<char>(minCodeSize));
    encodeLzw(image, minCodeSize, out);
    out.push_back('\x3b'); // trailer
    return out;
}

} // namespace quillary::pictures
