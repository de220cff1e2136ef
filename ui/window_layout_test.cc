// The layout of windows that grow, through the scripted backend's Resize step, and where a
// remembered window is allowed to open.
#include "ui/window_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/scripted_backend.h"
#include "ui/dialog.h"

namespace {

using namespace testing_support;
using ui::ControlKind;
using ui::Rect;

// One control for each kind of anchor, all at the same place of a 100 by 80 template.
struct AnchorCase {
  const char* what;
  uint32_t anchors;
  // The control's place at client 150x120 (grown by 50x40) and at 120x90 (by 20x10).
  Rect grown, less_grown;
};

const std::vector<AnchorCase>& AnchorCases() {
  using namespace ui;
  static const std::vector<AnchorCase> cases = {
      {"none", 0, {10, 20, 30, 15}, {10, 20, 30, 15}},
      {"left and top", kAnchorLeft | kAnchorTop, {10, 20, 30, 15}, {10, 20, 30, 15}},
      {"left and right", kAnchorLeft | kAnchorRight, {10, 20, 80, 15}, {10, 20, 50, 15}},
      {"right", kAnchorRight, {60, 20, 30, 15}, {30, 20, 30, 15}},
      {"top and bottom", kAnchorTop | kAnchorBottom, {10, 20, 30, 55}, {10, 20, 30, 25}},
      {"bottom", kAnchorBottom, {10, 60, 30, 15}, {10, 30, 30, 15}},
      {"right and bottom", kAnchorRight | kAnchorBottom, {60, 60, 30, 15}, {30, 30, 30, 15}},
      {"all four", kAnchorAll, {10, 20, 80, 55}, {10, 20, 50, 25}},
      {"left, right and top",
       kAnchorLeft | kAnchorRight | kAnchorTop,
       {10, 20, 80, 15},
       {10, 20, 50, 15}},
  };
  return cases;
}

const Rect kPlace{10, 20, 30, 15};

ui::DialogTemplate MakeTemplate(bool with_anchors) {
  ui::DialogTemplate t{900, "Grow", "MS Shell Dlg", 9, 100, 80, ui::kDlgCaption, nullptr, {}};
  int id = 10;
  for (const AnchorCase& c : AnchorCases()) {
    t.controls.push_back(ui::ControlTemplate{id++, ControlKind::kEdit, "", kPlace, ui::kBorder,
                                             nullptr, with_anchors ? c.anchors : 0});
  }
  return t;
}

// Opens a dialog on `t`, runs `steps` and closes it; returns what it recorded.
DialogRecord RunScript(const ui::DialogTemplate& t, std::vector<Step> steps) {
  ScriptedBackend backend;
  steps.push_back(Close());
  backend.When(t.id, std::move(steps));
  ui::Dialog dialog(t, backend);
  dialog.DoModal();
  EXPECT_TRUE(backend.errors().empty());
  return backend.dialogs().at(0);
}

TEST(WindowLayout, EachAnchorGrowsAndShrinksWithTheWindow) {
  const ui::DialogTemplate t = MakeTemplate(true);
  ASSERT_TRUE(t.Grows());
  // Open, grow, shrink a little, shrink below the template, grow in one direction only.
  const DialogRecord r =
      RunScript(t, {Resize(150, 120), Resize(120, 90), Resize(40, 30), Resize(100, 120)});
  ASSERT_EQ(r.states.size(), 6u);
  const std::vector<ui::Size> clients = {{100, 80}, {150, 120}, {120, 90}, {100, 80}, {100, 120}};
  for (size_t s = 0; s < clients.size(); ++s) EXPECT_EQ(r.states[s].client, clients[s]) << s;
  for (size_t i = 0; i < AnchorCases().size(); ++i) {
    const AnchorCase& c = AnchorCases()[i];
    SCOPED_TRACE(c.what);
    EXPECT_EQ(r.states[0].rects[i], kPlace);
    EXPECT_EQ(r.states[1].rects[i], c.grown);
    EXPECT_EQ(r.states[2].rects[i], c.less_grown);
    EXPECT_EQ(r.states[3].rects[i], kPlace);  // never below the template's size
    // Taller by 40 only: the vertical half of the grown place, the horizontal of the template.
    const Rect tall{kPlace.x, c.grown.y, kPlace.cx, c.grown.cy};
    EXPECT_EQ(r.states[4].rects[i], tall);
  }
}

TEST(WindowLayout, TemplateWithoutAnchorsKeepsItsSize) {
  const ui::DialogTemplate t = MakeTemplate(false);
  ASSERT_FALSE(t.Grows());
  const DialogRecord r = RunScript(t, {Resize(150, 120), Resize(40, 30)});
  for (const ControlState& state : r.states) {
    EXPECT_EQ(state.client, (ui::Size{100, 80}));
    for (const Rect& rect : state.rects) EXPECT_EQ(rect, kPlace);
  }
}

TEST(WindowLayout, RememberedPlaceOffEveryScreenComesBackOntoThePrimary) {
  const std::vector<Rect> screens = {{0, 0, 1024, 768}, {1024, 0, 1280, 1024}};
  const ui::Size minimum{300, 200};
  struct Case {
    const char* what;
    Rect window;
    size_t primary;
    Rect expected;
  };
  const std::vector<Case> cases = {
      {"on the first screen", {100, 100, 400, 300}, 0, {100, 100, 400, 300}},
      {"on the second screen", {1500, 600, 400, 300}, 0, {1500, 600, 400, 300}},
      {"across both", {900, 10, 400, 300}, 0, {900, 10, 400, 300}},
      {"far right and down", {5000, 5000, 400, 300}, 0, {312, 234, 400, 300}},
      {"onto the second as primary", {5000, 5000, 400, 300}, 1, {1464, 362, 400, 300}},
      {"above the screens", {100, -200, 400, 300}, 0, {312, 234, 400, 300}},
      {"title bar just above the top", {100, -30, 400, 300}, 0, {312, 234, 400, 300}},
      {"left of the screens", {-390, 100, 400, 300}, 0, {312, 234, 400, 300}},
      {"a grip's width in sight", {-352, 100, 400, 300}, 0, {-352, 100, 400, 300}},
      {"larger than its screen", {10, 20, 2000, 1500}, 0, {0, 0, 1024, 768}},
      {"wider than its screen", {1100, 20, 2000, 500}, 0, {1024, 20, 1280, 500}},
      {"off and larger than the primary", {5000, 0, 2000, 1500}, 0, {0, 0, 1024, 768}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui::KeepOnScreen(c.window, minimum, screens, c.primary), c.expected) << c.what;
  }
  // A screen smaller than the template: the window keeps the template's size.
  EXPECT_EQ(ui::KeepOnScreen({5000, 0, 400, 300}, minimum, {{0, 0, 200, 100}}, 0),
            (Rect{0, 0, 300, 200}));
  EXPECT_EQ(ui::KeepOnScreen({5000, 5000, 10, 10}, minimum, {}, 0), (Rect{5000, 5000, 10, 10}));
}

}  // namespace
