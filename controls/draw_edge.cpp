#include "controls/draw_edge.h"

namespace stillmar::controls {
namespace {

void put(QImage& img, int x, int y, uint32_t argb) {
    if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) return;
    reinterpret_cast<uint32_t*>(img.scanLine(y))[x] = argb;
}

// One ring: top and left in `topLeft`, then bottom and right in `bottomRight`, which so takes
// the bottom-left and top-right corners.
void ring(QImage& img, int l, int t, int r, int b, unsigned flags, uint32_t topLeft,
          uint32_t bottomRight) {
    if (r <= l || b <= t) return;
    if (flags & BF_TOP)
        for (int x = l; x < r; ++x) put(img, x, t, topLeft);
    if (flags & BF_LEFT)
        for (int y = t; y < b; ++y) put(img, l, y, topLeft);
    if (flags & BF_BOTTOM)
        for (int x = l; x < r; ++x) put(img, x, b - 1, bottomRight);
    if (flags & BF_RIGHT)
        for (int y = t; y < b; ++y) put(img, r - 1, y, bottomRight);
}

void shrink(int& l, int& t, int& r, int& b, unsigned flags) {
    if (flags & BF_LEFT) ++l;
    if (flags & BF_TOP) ++t;
    if (flags & BF_RIGHT) --r;
    if (flags & BF_BOTTOM) --b;
}

}  // namespace

void DrawEdge(QImage& image, int left, int top, int right, int bottom, unsigned edge,
              unsigned flags) {
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) return;
    int l = left, t = top, r = right, b = bottom;
    const bool flat = flags & BF_FLAT;
    if (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) {
        if (flat)
            ring(image, l, t, r, b, flags, kColor3DShadow, kColor3DShadow);
        else if (edge & BDR_RAISEDOUTER)
            ring(image, l, t, r, b, flags, kColor3DLight, kColor3DDarkShadow);
        else
            ring(image, l, t, r, b, flags, kColor3DShadow, kColor3DHighlight);
        shrink(l, t, r, b, flags);
    }
    if (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) {
        if (flat)
            ring(image, l, t, r, b, flags, kColor3DLight, kColor3DLight);
        else if (edge & BDR_RAISEDINNER)
            ring(image, l, t, r, b, flags, kColor3DHighlight, kColor3DShadow);
        else
            ring(image, l, t, r, b, flags, kColor3DDarkShadow, kColor3DLight);
    }
}

}  // namespace stillmar::controls
