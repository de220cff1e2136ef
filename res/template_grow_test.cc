// The windows that grow (the chat window and the memory book) and those that keep the size of
// their template, laid out by the scripted backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"
#include "res/templates.h"
#include "testing/scripted_backend.h"
#include "ui/dialog.h"

namespace {

using namespace testing_support;
using ui::Rect;

// Opens a dialog on `t`, resizes its window to each of `sizes` in turn and closes it.
DialogRecord ResizeTo(const ui::DialogTemplate& t, const std::vector<ui::Size>& sizes) {
  ScriptedBackend backend;
  std::vector<Step> steps;
  for (const ui::Size& s : sizes) steps.push_back(Resize(s.cx, s.cy));
  steps.push_back(Close());
  backend.When(t.id, std::move(steps));
  ui::Dialog dialog(t, backend);
  dialog.DoModal();
  EXPECT_TRUE(backend.errors().empty());
  return backend.dialogs().at(0);
}

Rect PlaceOf(const ui::DialogTemplate& t, const ControlState& state, int id) {
  for (size_t i = 0; i < t.controls.size(); ++i) {
    if (t.controls[i].id == id) return state.rects.at(i);
  }
  ADD_FAILURE() << "no control " << id;
  return Rect{};
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.x + b.cx && b.x < a.x + a.cx && a.y < b.y + b.cy && b.y < a.y + a.cy;
}

// At every size each control stays inside the window and controls apart in the template
// stay apart.
void ExpectTidy(const ui::DialogTemplate& t, const DialogRecord& r) {
  for (const ControlState& state : r.states) {
    SCOPED_TRACE(std::to_string(state.client.cx) + "x" + std::to_string(state.client.cy));
    for (size_t i = 0; i < t.controls.size(); ++i) {
      const Rect& a = state.rects[i];
      EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.cx <= state.client.cx &&
                  a.y + a.cy <= state.client.cy)
          << "control " << i << " leaves the window";
      for (size_t j = i + 1; j < t.controls.size(); ++j) {
        if (Overlap(t.controls[i].rect, t.controls[j].rect)) continue;
        EXPECT_FALSE(Overlap(a, state.rects[j])) << "controls " << i << " and " << j;
      }
    }
  }
}

TEST(GrowingTemplates, ChatWindowGivesTheRoomToTheTranscript) {
  const ui::DialogTemplate& t = res::ChatTemplate();
  ASSERT_TRUE(t.Grows());
  const DialogRecord r = ResizeTo(t, {{400, 300}, {251, 400}, {600, 181}, {100, 100}});
  ExpectTidy(t, r);
  const ControlState& grown = r.states[1];  // 149 wider, 119 taller
  struct Case {
    int id;
    Rect expected;
  };
  const std::vector<Case> cases = {
      {IDC_TRANSCRIPT, {6, 42, 387, 233}},  // all four edges
      {IDC_INPUT, {6, 22, 387, 15}},        // wider, stays at the top
      {ui::IDOK, {37, 279, 50, 14}},        // with the bottom edge
      {ui::IDCANCEL, {287, 279, 50, 14}},   // with the bottom and the right edge
      {IDC_YOUR_NAME, {60, 8, 65, 12}},     // the names keep their place
      {IDC_RINU_NAME, {174, 8, 70, 12}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceOf(t, grown, c.id), c.expected) << c.id;
  // Asked for less than the template, the window keeps the template's layout.
  EXPECT_EQ(r.states[4].client, (ui::Size{251, 181}));
  EXPECT_EQ(r.states[4].rects, r.states[0].rects);
}

TEST(GrowingTemplates, MemoryBookGivesTheRoomToTheList) {
  const ui::DialogTemplate& t = res::MemoryBookTemplate();
  ASSERT_TRUE(t.Grows());
  const DialogRecord r = ResizeTo(t, {{500, 330}, {330, 500}, {800, 230}});
  ExpectTidy(t, r);
  const ControlState& grown = r.states[1];  // 170 wider, 100 taller
  struct Case {
    int id;
    Rect expected;
  };
  const std::vector<Case> cases = {
      {IDC_BOOK_LIST, {7, 25, 486, 276}},  {IDC_BOOK_SEARCH, {40, 7, 340, 12}},
      {IDC_BOOK_COUNT, {388, 9, 105, 8}},  {IDC_BOOK_EDIT, {7, 309, 50, 14}},
      {IDC_BOOK_REDO, {179, 309, 50, 14}}, {ui::IDCANCEL, {443, 309, 50, 14}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceOf(t, grown, c.id), c.expected) << c.id;
}

TEST(GrowingTemplates, DuetWindowGivesTheRoomToTheTranscript) {
  const ui::DialogTemplate& t = res::DuetTemplate();
  ASSERT_TRUE(t.Grows());
  const DialogRecord r = ResizeTo(t, {{400, 348}, {280, 400}, {600, 248}});
  ExpectTidy(t, r);
  const ControlState& grown = r.states[1];  // 120 wider, 100 taller
  struct Case {
    int id;
    Rect expected;
  };
  const std::vector<Case> cases = {
      {IDC_DUET_TRANSCRIPT, {7, 80, 386, 240}}, {IDC_DUET_FOLDER, {72, 7, 268, 12}},
      {IDC_DUET_BROWSE, {343, 6, 50, 14}},      {IDC_DUET_FIRST, {72, 61, 321, 12}},
      {IDC_DUET_EXCHANGES, {72, 43, 30, 12}},   {IDC_DUET_NEW, {72, 24, 86, 14}},
      {IDC_DUET_START, {7, 327, 50, 14}},       {IDC_DUET_STOP, {62, 327, 50, 14}},
      {ui::IDCANCEL, {343, 327, 50, 14}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlaceOf(t, grown, c.id), c.expected) << c.id;
}

TEST(GrowingTemplates, EveryOtherWindowKeepsItsTemplatesSize) {
  const std::vector<const ui::DialogTemplate*> fixed = {
      &res::AboutTemplate(),    &res::SetupTemplate(),         &res::SettingsTemplate(),
      &res::LearnTemplate(),    &res::ForgetKeywordTemplate(), &res::ForgetChoiceTemplate(),
      &res::BookEditTemplate(),
  };
  for (const ui::DialogTemplate* t : fixed) {
    SCOPED_TRACE(t->id);
    EXPECT_FALSE(t->Grows());
    const DialogRecord r = ResizeTo(*t, {{t->cx + 100, t->cy + 100}});
    EXPECT_EQ(r.states.back().client, (ui::Size{t->cx, t->cy}));
    EXPECT_EQ(r.states.back().rects, r.states.front().rects);
  }
}

}  // namespace
