#include "ui/data_exchange.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ui/backend.h"
#include "ui/dialog.h"

namespace ui {
namespace {

bool ParseInt(const std::string& text, int* value) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i == digits) return false;
  size_t end = i;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i != text.size()) return false;
  errno = 0;
  std::string number = text.substr(start, end - start);
  long long parsed = std::strtoll(number.c_str(), nullptr, 10);
  if (errno == ERANGE || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// The radio buttons of the group that starts at `first_id`, in template order.
std::vector<int> RadioGroup(const DialogTemplate& tmpl, int first_id) {
  std::vector<int> ids;
  bool inside = false;
  for (const ControlTemplate& c : tmpl.controls) {
    if (!inside) {
      if (c.id == first_id)
        inside = true;
      else
        continue;
    } else if (c.kind != ControlKind::kRadioButton || (c.style & kGroup)) {
      break;
    }
    if (c.kind == ControlKind::kRadioButton) ids.push_back(c.id);
  }
  return ids;
}

}  // namespace

void DataExchange::Fail(int control_id, const std::string& message) {
  m_dialog.backend().MessageBox(message);
  if (DialogWindow* w = m_dialog.Window()) w->SetFocus(control_id);
  m_failed = true;
}

void DDX_Text(DataExchange& dx, int id, std::string& value) {
  if (dx.failed()) return;
  dx.set_last_control(id);
  if (dx.saving()) {
    value = dx.dialog().GetDlgItemText(id);
  } else {
    dx.dialog().SetDlgItemText(id, value);
  }
}

void DDX_Text(DataExchange& dx, int id, int& value) {
  if (dx.failed()) return;
  dx.set_last_control(id);
  if (dx.saving()) {
    int parsed = 0;
    if (!ParseInt(dx.dialog().GetDlgItemText(id), &parsed)) {
      dx.Fail(id, "整数を入力してください。");
      return;
    }
    value = parsed;
  } else {
    dx.dialog().SetDlgItemText(id, std::to_string(value));
  }
}

void DDX_Check(DataExchange& dx, int id, bool& value) {
  if (dx.failed()) return;
  dx.set_last_control(id);
  DialogWindow* w = dx.dialog().Window();
  if (!w) return;
  if (dx.saving()) {
    value = w->IsChecked(id);
  } else {
    w->SetChecked(id, value);
  }
}

void DDX_Radio(DataExchange& dx, int first_id, int& value) {
  if (dx.failed()) return;
  dx.set_last_control(first_id);
  DialogWindow* w = dx.dialog().Window();
  if (!w) return;
  std::vector<int> ids = RadioGroup(dx.dialog().Template(), first_id);
  if (dx.saving()) {
    value = -1;
    for (size_t i = 0; i < ids.size(); ++i) {
      if (w->IsChecked(ids[i])) {
        value = static_cast<int>(i);
        break;
      }
    }
  } else {
    for (size_t i = 0; i < ids.size(); ++i) w->SetChecked(ids[i], static_cast<int>(i) == value);
  }
}

void DDV_MaxChars(DataExchange& dx, const std::string& value, int max_bytes) {
  if (dx.failed()) return;
  if (dx.saving()) {
    if (static_cast<int>(value.size()) > max_bytes) {
      char message[128];
      std::snprintf(message, sizeof message, "%d バイト（全角 %d 文字）以内で入力してください。",
                    max_bytes, max_bytes / 2);
      dx.Fail(dx.last_control(), message);
    }
  } else if (DialogWindow* w = dx.dialog().Window()) {
    w->SetLimitBytes(dx.last_control(), max_bytes);
  }
}

void DDV_MinMaxInt(DataExchange& dx, int value, int min_value, int max_value) {
  if (dx.failed() || !dx.saving()) return;
  if (value < min_value || value > max_value) {
    char message[128];
    std::snprintf(message, sizeof message, "%d から %d までの整数を入力してください。", min_value,
                  max_value);
    dx.Fail(dx.last_control(), message);
  }
}

}  // namespace ui
