#include "controls/button_mod.h"

#include <cmath>

#include "controls/draw_edge.h"
#include "platform/forms/colors.h"
#include "platform/forms/picture_box.h"

namespace stillmar::ButtonMod {
namespace {

using forms::PictureBox;
using forms::RGB;
using namespace controls;

// One segment of a face: from (W + fx, H + fy) or (fx, fy) towards the second point.
// Coordinates relative to W or H are marked by `fromRight` / `fromBottom` flags.
struct Segment {
    int x1, y1, x2, y2;
    bool x1r, y1b, x2r, y2b;  // relative to W (r) or H (b)
    uint32_t raised, sunken;
};

constexpr uint32_t kOuterLight = RGB(170, 175, 179);
constexpr uint32_t kOuterDark = RGB(75, 80, 84);
constexpr uint32_t kMiddle = RGB(48, 49, 51);
constexpr uint32_t kInnerDark = RGB(87, 91, 93);
constexpr uint32_t kInnerLight = RGB(203, 206, 208);

// The 26 segments in painting order; a later one overwrites an earlier one where they cross.
constexpr Segment kFace[] = {
    {-1, 0, -1, 0, true, true, true, false, kOuterLight, kOuterLight},
    {-2, -1, -2, 1, true, true, true, false, kMiddle, kMiddle},
    {-3, -2, -3, 2, true, true, true, false, kInnerDark, kInnerLight},
    {0, 0, 0, 0, false, false, false, true, kOuterDark, kOuterDark},
    {1, 1, 1, -1, false, false, false, true, kMiddle, kMiddle},
    {2, 2, 2, -2, false, false, false, true, kInnerLight, kInnerDark},
    {0, -1, -1, -1, false, true, true, true, kOuterLight, kOuterLight},
    {1, -2, -2, -2, false, true, true, true, kMiddle, kMiddle},
    {2, -3, -3, -3, false, true, true, true, kInnerDark, kInnerLight},
    {0, 0, 0, 0, false, false, true, false, kOuterDark, kOuterDark},
    {1, 1, -1, 1, false, false, true, false, kMiddle, kMiddle},
    {2, 2, -2, 2, false, false, true, false, kInnerLight, kInnerDark},
    {0, 0, 1, 0, false, false, false, false, RGB(98, 103, 107), RGB(98, 103, 107)},
    {2, 2, 2, 1, false, false, false, false, RGB(234, 235, 236), RGB(72, 75, 77)},
    {0, -1, 0, 0, false, true, false, true, RGB(129, 134, 138), RGB(129, 134, 138)},
    {0, -2, 0, -1, false, true, false, true, RGB(109, 114, 118), RGB(109, 114, 118)},
    {1, -1, 2, 0, false, true, false, true, RGB(141, 146, 150), RGB(141, 146, 150)},
    {2, -3, 2, -2, false, true, false, true, RGB(135, 140, 144), RGB(135, 140, 144)},
    {-1, 0, 0, 0, true, false, true, false, RGB(129, 134, 138), RGB(129, 134, 138)},
    {-2, 0, -1, 0, true, false, true, false, RGB(109, 114, 118), RGB(109, 114, 118)},
    {-3, 2, -3, 3, true, false, true, false, RGB(135, 140, 144), RGB(135, 140, 144)},
    {-1, 1, -1, 2, true, false, true, false, RGB(141, 146, 150), RGB(141, 146, 150)},
    {-1, 0, -1, -2, true, true, true, true, RGB(169, 174, 178), RGB(169, 174, 178)},
    {-1, -2, -1, -3, true, true, true, true, RGB(181, 186, 190), RGB(181, 186, 190)},
    {-2, 0, -2, -2, true, true, true, true, RGB(181, 186, 190), RGB(181, 186, 190)},
    {-3, -3, -3, -2, true, true, true, true, RGB(72, 75, 77), RGB(234, 235, 236)},
};

void drawFace(PictureBox& pic, bool sunken) {
    for (const Segment& s : kFace) {
        const double W = pic.ScaleWidth(), H = pic.ScaleHeight();
        pic.Line(s.x1r ? W + s.x1 : s.x1, s.y1b ? H + s.y1 : s.y1, s.x2r ? W + s.x2 : s.x2,
                 s.y2b ? H + s.y2 : s.y2, sunken ? s.sunken : s.raised);
    }
}

void DrawRaisedFace(PictureBox& pic) {
    drawFace(pic, false);
}
void DrawSunkenFace(PictureBox& pic) {
    drawFace(pic, true);
}

// Round to nearest, ties to even; 0 when the value does not fit 32 bits: a face is painted
// with errors ignored, so a side that cannot be converted stays at 0.
int32_t toInt32OrZero(double v) {
    if (!std::isfinite(v) || v < -2147483648.0 || v > 2147483647.0) return 0;
    return static_cast<int32_t>(std::nearbyint(v));
}

struct EdgeStyle {
    unsigned edge, flags;
};
// By bevel, from Bevel::BumpFlat to Bevel::Bump.
constexpr EdgeStyle kEdgeStyles[] = {
    {EDGE_BUMP, BF_FLAT},       {BDR_RAISEDINNER, BF_RECT}, {EDGE_RAISED, BF_RECT},
    {BDR_SUNKENOUTER, BF_RECT}, {EDGE_ETCHED, BF_RECT},     {EDGE_BUMP, BF_RECT},
};

}  // namespace

void DrawButton(PictureBox& pic, int32_t Style, uint32_t BackColor, uint32_t ForeColor,
                const QString& Caption, bool Pushed) {
    pic.setBorderStyle(0);
    pic.setScaleMode(forms::ScaleMode::Pixels);
    pic.setAutoRedraw(true);
    pic.Cls();
    pic.setBackColor(BackColor);
    pic.setForeColor(ForeColor);

    const int left = toInt32OrZero(pic.ScaleLeft()), top = toInt32OrZero(pic.ScaleTop());
    const int right = toInt32OrZero(pic.ScaleWidth()), bottom = toInt32OrZero(pic.ScaleHeight());
    if (Style >= Bevel::BumpFlat && Style <= Bevel::Bump) {
        const EdgeStyle e = kEdgeStyles[Style];
        pic.paintImage(
            [&](QImage& img) { DrawEdge(img, left, top, right, bottom, e.edge, e.flags); });
    } else if (Style == Bevel::RaisedFace) {
        DrawRaisedFace(pic);
    } else if (Style == Bevel::SunkenFace) {
        DrawSunkenFace(pic);
    }

    pic.setScaleMode(forms::ScaleMode::User);
    // Single precision and not rounded, as the caption has always been placed.
    float x =
        (static_cast<float>(pic.ScaleWidth()) - static_cast<float>(pic.TextWidth(Caption))) / 2;
    float y =
        (static_cast<float>(pic.ScaleHeight()) - static_cast<float>(pic.TextHeight(Caption))) / 2;
    if (Pushed) {
        x += 1;
        y += 1;
    }
    pic.setCurrentX(x);
    pic.setCurrentY(y);
    pic.Print(Caption);
    if (pic.AutoRedraw()) pic.Refresh();
}

}  // namespace stillmar::ButtonMod
