// The data exchange between a dialog's fields and its controls. In the load direction a
// DDX_ call puts the field into the control; in the save direction it reads the control,
// converts and validates, and on a failure shows a message, puts the focus on the control
// and marks the exchange failed: later calls do nothing and UpdateData returns false.
#pragma once

#include <string>

namespace ui {

class Dialog;

class DataExchange {
 public:
  DataExchange(Dialog& dialog, bool save) : m_dialog(dialog), m_bSaveAndValidate(save) {}

  Dialog& dialog() const { return m_dialog; }
  bool saving() const { return m_bSaveAndValidate; }
  bool failed() const { return m_failed; }
  // Shows `message`, focuses `control_id` and stops the exchange.
  void Fail(int control_id, const std::string& message);
  // The control the last DDX_ call exchanged; DDV_ calls validate it.
  int last_control() const { return m_lastControl; }
  void set_last_control(int id) { m_lastControl = id; }

 private:
  Dialog& m_dialog;
  bool m_bSaveAndValidate;
  bool m_failed = false;
  int m_lastControl = 0;
};

void DDX_Text(DataExchange& dx, int id, std::string& value);
// A decimal integer; in the save direction anything else fails with a message.
void DDX_Text(DataExchange& dx, int id, int& value);
// A radio group starting at `first_id`: the index of the checked button, -1 for none.
void DDX_Radio(DataExchange& dx, int first_id, int& value);
// A check box: ticked or not.
void DDX_Check(DataExchange& dx, int id, bool& value);
// At most `max_bytes` Shift-JIS bytes; the load direction also limits the control.
void DDV_MaxChars(DataExchange& dx, const std::string& value, int max_bytes);
void DDV_MinMaxInt(DataExchange& dx, int value, int min_value, int max_value);

}  // namespace ui
