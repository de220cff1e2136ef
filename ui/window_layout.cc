#include "ui/window_layout.h"

#include <algorithm>

namespace ui {

Size ClampToMinimum(Size wanted, Size minimum) {
  return Size{std::max(wanted.cx, minimum.cx), std::max(wanted.cy, minimum.cy)};
}

Rect Anchor(const Rect& rect, uint32_t anchors, int dx, int dy) {
  Rect r = rect;
  const bool left = anchors & kAnchorLeft, right = anchors & kAnchorRight;
  const bool top = anchors & kAnchorTop, bottom = anchors & kAnchorBottom;
  if (right) {
    if (left) {
      r.cx += dx;
    } else {
      r.x += dx;
    }
  }
  if (bottom) {
    if (top) {
      r.cy += dy;
    } else {
      r.y += dy;
    }
  }
  return r;
}

std::vector<Rect> LayOutControls(const std::vector<Rect>& rects,
                                 const std::vector<uint32_t>& anchors, Size base, Size now) {
  const Size size = ClampToMinimum(now, base);
  const int dx = size.cx - base.cx, dy = size.cy - base.cy;
  std::vector<Rect> out;
  out.reserve(rects.size());
  for (size_t i = 0; i < rects.size(); ++i) {
    out.push_back(Anchor(rects[i], i < anchors.size() ? anchors[i] : 0, dx, dy));
  }
  return out;
}

std::vector<uint32_t> AnchorsOf(const DialogTemplate& t) {
  std::vector<uint32_t> anchors;
  anchors.reserve(t.controls.size());
  for (const ControlTemplate& c : t.controls) anchors.push_back(c.anchors);
  return anchors;
}

int NextTextSize(int current, int zoom, int template_size) {
  const int next = zoom == 0 ? template_size : current + (zoom > 0 ? 1 : -1) * kTextSizeStep;
  return std::clamp(next, kMinTextSize, kMaxTextSize);
}

namespace {

// The overlap of two rectangles, empty (0 by 0) when they do not meet.
Rect Intersect(const Rect& a, const Rect& b) {
  const int left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  const int right = std::min(a.x + a.cx, b.x + b.cx), bottom = std::min(a.y + a.cy, b.y + b.cy);
  if (right <= left || bottom <= top) return Rect{};
  return Rect{left, top, right - left, bottom - top};
}

}  // namespace

Rect KeepOnScreen(const Rect& window, Size minimum, const std::vector<Rect>& screens,
                  size_t primary) {
  if (screens.empty()) return window;
  // A larger window than its screen would hide its lower edge and buttons: it takes the
  // screen's size and place in that direction.
  auto fit = [&](Rect r, const Rect& screen) {
    if (r.cx > screen.cx) {
      r.cx = std::max(screen.cx, minimum.cx);
      r.x = screen.x;
    }
    if (r.cy > screen.cy) {
      r.cy = std::max(screen.cy, minimum.cy);
      r.y = screen.y;
    }
    return r;
  };
  // The strip along the top where the title bar is: enough of it must be in sight to be
  // grabbed and moved.
  const int need_x = std::min(window.cx, 48), need_y = std::min(window.cy, 16);
  const Rect top_strip{window.x, window.y, window.cx, std::min(window.cy, 32)};
  for (const Rect& screen : screens) {
    const Rect seen = Intersect(top_strip, screen);
    if (seen.cx >= need_x && seen.cy >= need_y) return fit(window, screen);
  }
  const Rect& s = screens[primary < screens.size() ? primary : 0];
  Rect r = fit(window, s);
  r.x = s.x + std::max(0, (s.cx - r.cx) / 2);
  r.y = s.y + std::max(0, (s.cy - r.cy) / 2);
  return r;
}

bool DialogTemplate::Grows() const {
  return std::any_of(controls.begin(), controls.end(),
                     [](const ControlTemplate& c) { return c.anchors != 0; });
}

}  // namespace ui
