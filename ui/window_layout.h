// Toolkit-free layout of a window that grows: where each control of a template goes when the
// client area changes size, and where a remembered window goes when its place is off every
// screen. Every backend uses these, so the layouts can be tested without a display.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/dialog_template.h"

namespace ui {

struct Size {
  int cx = 0, cy = 0;
  bool operator==(const Size&) const = default;
};

// The client size a window of a growing template may take when `wanted` is asked for: never
// smaller than the template's own size `minimum` in either direction.
Size ClampToMinimum(Size wanted, Size minimum);

// Moves and stretches `rect` (its place at the template's client size) by the change of the
// client size, `dx` and `dy` (both at least 0), as its `anchors` (kAnchor*) say.
Rect Anchor(const Rect& rect, uint32_t anchors, int dx, int dy);

// The rectangles of a template's controls at client size `now`. `rects` are the controls'
// places at client size `base` (the template's size; pixels, or whatever unit the backend
// uses) in template order, `anchors` their kAnchor* bits (a missing one counts as none).
// A client smaller than `base` lays out as `base`, since the window never gets smaller.
std::vector<Rect> LayOutControls(const std::vector<Rect>& rects,
                                 const std::vector<uint32_t>& anchors, Size base, Size now);

// The anchors of a template's controls, in template order.
std::vector<uint32_t> AnchorsOf(const DialogTemplate& t);

// The text size of the transcript and the lists of a window that grows, in points:
// Ctrl+plus and Ctrl+minus step it by kTextSizeStep within these bounds, Ctrl+0 gives the
// template's size back.
constexpr int kMinTextSize = 8;
constexpr int kMaxTextSize = 32;
constexpr int kTextSizeStep = 1;

// The text size after a step `zoom` (+1 larger, -1 smaller, 0 the template's) from `current`.
int NextTextSize(int current, int zoom, int template_size);

// Where a window with frame `window` may open: at its place when enough of it lies on one of
// `screens` to grab it by the title bar, else centred on screen `primary`; either way no
// larger than that screen, though never below `minimum` (then its top left corner is on the
// screen). With no screens it stays.
Rect KeepOnScreen(const Rect& window, Size minimum, const std::vector<Rect>& screens,
                  size_t primary);

}  // namespace ui
