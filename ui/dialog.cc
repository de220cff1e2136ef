#include "ui/dialog.h"

#include "ui/data_exchange.h"

namespace ui {

const ControlTemplate* DialogTemplate::Find(int control_id) const {
  for (const ControlTemplate& c : controls) {
    if (c.id == control_id && control_id != IDC_STATIC) return &c;
  }
  return nullptr;
}

Dialog::Dialog(const DialogTemplate& tmpl, Backend& backend)
    : m_template(tmpl), m_backend(backend) {}

Dialog::~Dialog() {
  // A modeless window still open goes with its dialog.
  if (m_modeless && m_window == m_modeless.get()) m_window = nullptr;
  m_modeless.reset();
}

int Dialog::DoModal() {
  std::unique_ptr<DialogWindow> window = m_backend.CreateDialogWindow(*this);
  if (!window) return -1;
  DialogWindow* outer = m_window;
  m_window = window.get();
  if (m_icon) m_window->SetIcon(m_icon);
  int result = m_window->RunModal();
  m_window = outer;
  return result;
}

bool Dialog::Create() {
  if (m_window) return false;
  m_modeless = m_backend.CreateDialogWindow(*this);
  if (!m_modeless) return false;
  m_window = m_modeless.get();
  if (m_icon) m_window->SetIcon(m_icon);
  if (!m_window->ShowModeless()) {
    m_window = nullptr;
    m_modeless.reset();
    return false;
  }
  return true;
}

void Dialog::HandleClosed() {
  if (m_modeless && m_window == m_modeless.get()) m_window = nullptr;
}

void Dialog::Activate() {
  if (m_modeless && m_window == m_modeless.get()) m_window->Activate();
}

void Dialog::EndDialog(int result) {
  if (m_window) m_window->EndModal(result);
}

bool Dialog::UpdateData(bool save) {
  if (!m_window) return false;
  DataExchange dx(*this, save);
  DoDataExchange(dx);
  return !dx.failed();
}

std::string Dialog::GetDlgItemText(int id) const { return m_window ? m_window->GetText(id) : ""; }

void Dialog::GotoDlgCtrl(int id) {
  if (m_window) m_window->SetFocus(id);
}

void Dialog::SetDlgItemText(int id, const std::string& text) {
  if (m_window) m_window->SetText(id, text);
}

bool Dialog::StartTimer(int ms) { return m_window && m_window->StartTimer(ms); }

void Dialog::StopTimer() {
  if (m_window) m_window->StopTimer();
}

void Dialog::SetIcon(const IconResource* icon) {
  m_icon = icon;
  if (m_window) m_window->SetIcon(icon);
}

bool Dialog::HandleInitDialog() { return OnInitDialog(); }

void Dialog::HandleCommand(int id) {
  if (id == IDOK) {
    OnOK();
  } else if (id == IDCANCEL) {
    OnCancel();
  } else {
    OnCommand(id);
  }
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnCommand(int) { return false; }

}  // namespace ui
