#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillary::pictures {

struct Rgb
{
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// An 8-bit indexed picture: one palette index per pixel, rows top to bottom.
struct IndexedImage
{
    int width = 0;
    int height = 0;
    std::vector<Rgb> palette; // 1 to 256 colours
    std::vector<std::uint8_t> pixels;
    std::optional<std::uint8_t> transparentIndex;
};

// Encodes a single-frame GIF89a (LZW-compressed). Throws std::invalid_argument when the
// picture is inconsistent (size, palette, an index outside the palette).
std::string encodeGif(const IndexedImage &image);

} // namespace quillary::pictures
