#include "platform/system/bmp_file.h"

#include <unistd.h>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>

namespace stillmar::sys {
namespace {

void put16(uint8_t* b, size_t at, uint16_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void put32(uint8_t* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

// One row of 0x00RRGGBB pixels as B, G, R bytes. Four pixels make three whole words, which is
// several times faster than byte by byte on a full-HD frame.
void packRow(const uint32_t* src, int32_t width, uint8_t* dst) {
    int32_t x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= width; x += 4, src += 4, dst += 12) {
            const uint32_t p0 = src[0] & 0xffffff, p1 = src[1] & 0xffffff;
            const uint32_t p2 = src[2] & 0xffffff, p3 = src[3] & 0xffffff;
            const uint32_t words[3] = {p0 | p1 << 24, p1 >> 8 | p2 << 16, p2 >> 16 | p3 << 8};
            std::memcpy(dst, words, sizeof words);
        }
    }
    for (; x < width; ++x, ++src, dst += 3) {
        dst[0] = uint8_t(*src);
        dst[1] = uint8_t(*src >> 8);
        dst[2] = uint8_t(*src >> 16);
    }
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

}  // namespace

bool writeBmp24(const std::string& path, int32_t width, int32_t height, const uint32_t* pixels,
                int32_t strideWords, std::string* error) {
    if (width <= 0 || height <= 0 || pixels == nullptr || strideWords < width) {
        if (error) *error = "image vide";
        return false;
    }
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t dataBytes = rowBytes * size_t(height);
    const size_t headerBytes = 14 + 40;
    if (dataBytes + headerBytes > 0x7fffffffu) {
        if (error) *error = "image trop grande";
        return false;
    }
    // Left uninitialised: every byte is written below, the rows' padding included.
    const size_t fileBytes = headerBytes + dataBytes;
    const std::unique_ptr<uint8_t[]> file(new uint8_t[fileBytes]);
    std::memset(file.get(), 0, headerBytes);
    file[0] = 'B';
    file[1] = 'M';
    put32(file.get(), 2, uint32_t(fileBytes));
    put32(file.get(), 10, uint32_t(headerBytes));
    put32(file.get(), 14, 40);
    put32(file.get(), 18, uint32_t(width));
    put32(file.get(), 22, uint32_t(height));  // positive: bottom-up
    put16(file.get(), 26, 1);
    put16(file.get(), 28, 24);
    put32(file.get(), 34, uint32_t(dataBytes));
    put32(file.get(), 38, 3780);  // 96 dpi
    put32(file.get(), 42, 3780);
    const size_t padding = rowBytes - size_t(width) * 3;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* dst = file.get() + headerBytes + size_t(y) * rowBytes;
        packRow(pixels + size_t(height - 1 - y) * size_t(strideWords), width, dst);
        std::memset(dst + size_t(width) * 3, 0, padding);
    }

    const std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(file.get(), 1, fileBytes, f) == fileBytes;
    const int writeErr = errno;
    const bool flushed = std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    const int flushErr = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !flushed || !closed) {
        if (error) *error = std::strerror(!written ? writeErr : flushErr);
        std::remove(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool readBmp(const std::string& path, BmpImage& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t offset = get32(b, 10);
    const int32_t width = int32_t(get32(b, 18));
    int32_t height = int32_t(get32(b, 22));
    const uint16_t bpp = get16(b, 28);
    const uint32_t compression = get32(b, 30);
    if (width <= 0 || height == 0 || (bpp != 24 && bpp != 32) ||
        (compression != 0 && compression != 3))
        return false;
    const bool bottomUp = height > 0;
    if (height < 0) height = -height;
    const size_t bytesPer = bpp / 8;
    const size_t rowBytes = (size_t(width) * bytesPer + 3) & ~size_t(3);
    if (offset > b.size() || rowBytes * size_t(height) > b.size() - offset) return false;
    out.width = width;
    out.height = height;
    out.bitsPerPixel = bpp;
    out.pixels.assign(size_t(width) * size_t(height), 0);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t srcRow = bottomUp ? height - 1 - y : y;
        const uint8_t* s = b.data() + offset + size_t(srcRow) * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = s + size_t(x) * bytesPer;
            out.pixels[size_t(y) * size_t(width) + size_t(x)] =
                0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
    return true;
}

}  // namespace stillmar::sys
