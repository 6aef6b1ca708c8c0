#pragma once
// Windows bitmap files: 24-bit, uncompressed, bottom-up rows padded to 4 bytes.

#include <cstdint>
#include <string>
#include <vector>

namespace stillmar::sys {

// Writes `pixels` (0xFFRRGGBB, rows of `strideWords` 32-bit words) as a 24-bit .bmp,
// replacing an existing file. The file appears whole or not at all (written beside it and
// renamed). On failure returns false and puts the reason in *error when given.
bool writeBmp24(const std::string& path, int32_t width, int32_t height, const uint32_t* pixels,
                int32_t strideWords, std::string* error = nullptr);

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitsPerPixel = 0;
    std::vector<uint32_t> pixels;  // 0xFFRRGGBB, top row first
};
// Reads an uncompressed 24- or 32-bit .bmp; false when the file is not one.
bool readBmp(const std::string& path, BmpImage& out);

}  // namespace stillmar::sys
