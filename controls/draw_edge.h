#pragma once
// A painter for bevelled edges in the classic 3D colours, taking the edge and flag values of
// the window system's DrawEdge.

#include <QImage>

namespace stillmar::controls {

constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr unsigned BF_LEFT = 0x1;
constexpr unsigned BF_TOP = 0x2;
constexpr unsigned BF_RIGHT = 0x4;
constexpr unsigned BF_BOTTOM = 0x8;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_FLAT = 0x4000;

// The classic 3D colours (0xFFRRGGBB).
constexpr uint32_t kColor3DHighlight = 0xFFFFFFFF;
constexpr uint32_t kColor3DLight = 0xFFD4D0C8;
constexpr uint32_t kColor3DShadow = 0xFF808080;
constexpr uint32_t kColor3DDarkShadow = 0xFF404040;

// Paints the edge inside the rectangle [left, right) x [top, bottom) of `image`. Sides not
// named in `flags` are left alone; the interior is not filled.
void DrawEdge(QImage& image, int left, int top, int right, int bottom, unsigned edge,
              unsigned flags);

}  // namespace stillmar::controls
