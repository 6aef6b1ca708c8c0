#pragma once
// Windows bitmap files: 24-bit, uncompressed, bottom-up rows padded to 4 bytes.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace stillmar::sys {

class FileFinisher;

// Why a bitmap was not written: a picture that cannot be one, or the system's error number.
// Callers put it in the user's words.
struct BmpError {
    enum class Kind { None, EmptyImage, TooLarge, System };
    Kind kind = Kind::None;
    int systemError = 0;  // errno, when kind is System
};

// Writes `pixels` (0xFFRRGGBB, rows of `strideWords` 32-bit words) as a 24-bit .bmp,
// replacing an existing file. The file appears whole or not at all (written beside it and
// renamed). On failure returns false and puts the reason in *error when given. With a
// `finisher`, the file is handed to it once written, to be synced and named there: a failure
// then is the finisher's to tell.
bool writeBmp24(const std::string& path, int32_t width, int32_t height, const uint32_t* pixels,
                int32_t strideWords, BmpError* error = nullptr, FileFinisher* finisher = nullptr);

// The same file from rows already in the file's byte order: `rows` fills row `y` (0 = top)
// with `width` pixels as B, G, R bytes. Rows are asked for bottom row first, a few at a time.
using BmpRowSource = std::function<void(int32_t y, uint8_t* bgr)>;
bool writeBmp24Rows(const std::string& path, int32_t width, int32_t height,
                    const BmpRowSource& rows, BmpError* error = nullptr,
                    FileFinisher* finisher = nullptr);

struct BmpImage {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bitsPerPixel = 0;
    std::vector<uint32_t> pixels;  // 0xFFRRGGBB, top row first
};
// Reads an uncompressed 24- or 32-bit .bmp; false when the file is not one.
bool readBmp(const std::string& path, BmpImage& out);

}  // namespace stillmar::sys
