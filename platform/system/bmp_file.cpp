#include "platform/system/bmp_file.h"

#include "platform/system/file_finisher.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
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
// Every byte or the error number; an interrupted or short write goes on.
int writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}

}  // namespace

bool writeBmp24Rows(const std::string& path, int32_t width, int32_t height,
                    const BmpRowSource& rows, BmpError* error, FileFinisher* finisher) {
    auto fail = [error](BmpError::Kind kind, int number = 0) {
        if (error) *error = {kind, number};
        return false;
    };
    if (width <= 0 || height <= 0 || !rows) return fail(BmpError::Kind::EmptyImage);
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t dataBytes = rowBytes * size_t(height);
    const size_t headerBytes = 14 + 40;
    if (dataBytes + headerBytes > 0x7fffffffu) return fail(BmpError::Kind::TooLarge);
    const size_t fileBytes = headerBytes + dataBytes;
    // Written in pieces of about half a megabyte: one write of a whole full-HD file costs the
    // kernel several times more than the same bytes in pieces, and the piece stays in cache.
    const size_t rowsPerPiece = std::max<size_t>(1, (size_t(512) << 10) / rowBytes);
    const size_t pieceBytes =
        std::max(headerBytes, rowBytes * std::min<size_t>(rowsPerPiece, size_t(height)));
    const std::unique_ptr<uint8_t[]> piece(new uint8_t[pieceBytes]);
    std::memset(piece.get(), 0, headerBytes);
    piece[0] = 'B';
    piece[1] = 'M';
    put32(piece.get(), 2, uint32_t(fileBytes));
    put32(piece.get(), 10, uint32_t(headerBytes));
    put32(piece.get(), 14, 40);
    put32(piece.get(), 18, uint32_t(width));
    put32(piece.get(), 22, uint32_t(height));  // positive: bottom-up
    put16(piece.get(), 26, 1);
    put16(piece.get(), 28, 24);
    put32(piece.get(), 34, uint32_t(dataBytes));
    put32(piece.get(), 38, 3780);  // 96 dpi
    put32(piece.get(), 42, 3780);

    const std::string temp = path + ".part";
    // The same name given to the finisher earlier still has its temporary file.
    if (finisher) finisher->waitFor(path);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return fail(BmpError::Kind::System, errno);
    int err = writeAll(fd, piece.get(), headerBytes);
    const size_t padding = rowBytes - size_t(width) * 3;
    for (int32_t bottom = height; err == 0 && bottom > 0;) {
        const int32_t n = int32_t(std::min<size_t>(rowsPerPiece, size_t(bottom)));
        for (int32_t i = 0; i < n; ++i) {
            uint8_t* dst = piece.get() + size_t(i) * rowBytes;
            rows(bottom - 1 - i, dst);
            std::memset(dst + size_t(width) * 3, 0, padding);
        }
        err = writeAll(fd, piece.get(), size_t(n) * rowBytes);
        // Start each piece on its way to the disk now, so that the sync below has little
        // left to wait for (only a hint: the sync is what makes the file safe).
        if (err == 0) sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        bottom -= n;
    }
    if (err == 0 && finisher) {
        finisher->finish(fd, temp, path);
        return true;
    }
    if (err == 0 && fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && std::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        std::remove(temp.c_str());
        return fail(BmpError::Kind::System, err);
    }
    return true;
}

bool writeBmp24(const std::string& path, int32_t width, int32_t height, const uint32_t* pixels,
                int32_t strideWords, BmpError* error, FileFinisher* finisher) {
    if (pixels == nullptr || strideWords < width) {
        if (error) *error = {BmpError::Kind::EmptyImage, 0};
        return false;
    }
    return writeBmp24Rows(
        path, width, height,
        [&](int32_t y, uint8_t* bgr) {
            packRow(pixels + size_t(y) * size_t(strideWords), width, bgr);
        },
        error, finisher);
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
