#include "app/memory_book_dialog.h"

#include <algorithm>

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"
#include "ui/list_model.h"

namespace {
constexpr const char* kChooseOne = "編集する記録を一つ選んでください。";
constexpr const char* kChooseSome = "削除する記録を選んでください。";
}  // namespace

BookEditDialog::BookEditDialog(ui::Backend& backend)
    : ui::Dialog(res::BookEditTemplate(), backend) {}

BookEditDialog::~BookEditDialog() = default;

void BookEditDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::DDX_Text(dx, IDC_BOOK_KEYWORD, m_strKeyword);
  ui::DDX_Text(dx, IDC_BOOK_REPLY, m_strReply);
}

bool BookEditDialog::OnInitDialog() {
  m_shownKeyword = m_strKeyword;
  m_shownReply = m_strReply;
  return ui::Dialog::OnInitDialog();
}

void BookEditDialog::OnOK() {
  if (!UpdateData(true)) return;
  if (m_strKeyword == m_shownKeyword && m_strReply == m_shownReply) {
    EndDialog(ui::IDOK);  // nothing to write
    return;
  }
  std::string why = MemoryBook::WhyNotStorable(m_strKeyword, m_strReply);
  if (!why.empty()) {
    backend().MessageBox(why);
    if (Window()) Window()->SetFocus(IDC_BOOK_KEYWORD);
    return;
  }
  EndDialog(ui::IDOK);
}

// The list asks for the rows it draws; nothing is copied per row.
class MemoryBookDialog::Rows : public ui::ListModel {
 public:
  explicit Rows(const MemoryBook& book) : m_book(book) {}

  int ColumnCount() const override { return 3; }
  ui::ListColumn Column(int column) const override {
    switch (column) {
      case 0:
        return {"行", 34};
      case 1:
        return {"キーワード", 90};
      default:
        return {"応答", 180};
    }
  }
  size_t RowCount() const override { return m_book.ShownCount(); }
  std::string CellText(size_t row, int column) const override {
    switch (column) {
      case 0:
        return std::to_string(m_book.LineNumber(row));
      case 1:
        return m_book.Keyword(row);
      default:
        return m_book.Reply(row);
    }
  }

 private:
  const MemoryBook& m_book;
};

MemoryBookDialog::MemoryBookDialog(core::Folder& folder, ui::Backend& backend, std::string name)
    : ui::Dialog(res::MemoryBookTemplate(), backend),
      m_book(folder, std::move(name)),
      m_rows(std::make_unique<Rows>(m_book)) {}

MemoryBookDialog::~MemoryBookDialog() = default;

bool MemoryBookDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  MemoryBook::Outcome outcome = m_book.Open();
  if (ui::DialogWindow* window = Window()) {
    window->SetListModel(IDC_BOOK_LIST, m_rows.get());
    // Beside the chat window the file changes while the book is open: it looks every second.
    StartTimer(kRefreshMs);
  }
  Show(outcome, {});
  return true;
}

void MemoryBookDialog::OnActivate() { Refresh(); }

void MemoryBookDialog::OnTimer() { Refresh(); }

void MemoryBookDialog::Refresh() {
  ui::DialogWindow* window = Window();
  // Not while the book asks something: the rows it asks about must stay what they are.
  if (!window || m_asking) return;
  struct Seen {
    size_t line;
    std::string bytes;
  };
  auto seen = [this](size_t row) {
    return Seen{m_book.LineOf(row), std::string(m_book.RowBytes(row))};
  };
  std::vector<Seen> selected;
  for (size_t row : Selection()) selected.push_back(seen(row));
  const size_t top = window->GetListTopRow(IDC_BOOK_LIST);
  const bool at_top = top == 0 || top >= m_book.ShownCount();
  const Seen top_seen = at_top ? Seen{0, {}} : seen(top);

  MemoryBook::Outcome outcome = m_book.Refresh();
  if (outcome.result == MemoryBook::Result::kNothing) return;
  // A record is found again at its line when it is still there, else by its bytes.
  auto find = [this](const Seen& s) {
    size_t row = m_book.RowOf(s.line);
    if (row < m_book.ShownCount() && m_book.RowBytes(row) == s.bytes) return row;
    for (row = 0; row < m_book.ShownCount(); ++row) {
      if (m_book.RowBytes(row) == s.bytes) return row;
    }
    return m_book.ShownCount();
  };
  std::vector<size_t> select;
  for (const Seen& s : selected) {
    size_t row = find(s);
    if (row < m_book.ShownCount()) select.push_back(row);
  }
  std::sort(select.begin(), select.end());
  ShowList(select);
  // At the top the user sees what came in; further down the list stays where it was.
  size_t new_top = at_top ? 0 : find(top_seen);
  if (new_top < m_book.ShownCount()) window->SetListTopRow(IDC_BOOK_LIST, new_top);
  if (!outcome.message.empty()) backend().MessageBox(outcome.message);
}

void MemoryBookDialog::OnOK() {}

bool MemoryBookDialog::ReadsText(int command, int control) const {
  (void)command;
  (void)control;
  return false;
}

bool MemoryBookDialog::OnCommand(int id) {
  switch (id) {
    case IDC_BOOK_EDIT:
      OnEdit();
      return true;
    case IDC_BOOK_DELETE:
      OnDelete();
      return true;
    case IDC_BOOK_UNDO:
      OnUndo();
      return true;
    case IDC_BOOK_REDO:
      OnRedo();
      return true;
    default:
      return false;
  }
}

void MemoryBookDialog::OnNotify(int id, ui::Notify code) {
  if (id == IDC_BOOK_SEARCH && code == ui::Notify::kEditChange) {
    m_book.SetFilter(GetDlgItemText(IDC_BOOK_SEARCH));
    ShowList({});
  } else if (id == IDC_BOOK_LIST && code == ui::Notify::kListActivate) {
    OnEdit();
  }
}

bool MemoryBookDialog::OnKey(int id, ui::Key key) {
  const bool in_book = id == IDC_BOOK_LIST || id == IDC_BOOK_SEARCH;
  switch (key) {
    case ui::Key::kReturn:
      if (id != IDC_BOOK_SEARCH || m_book.ShownCount() != 1) return false;
      if (Window()) Window()->SetListSelection(IDC_BOOK_LIST, {0});
      OnEdit();
      return true;
    case ui::Key::kDelete:
      if (id != IDC_BOOK_LIST) return false;
      OnDelete();
      return true;
    case ui::Key::kCtrlZ:
      if (!in_book) return false;
      OnUndo();
      return true;
    case ui::Key::kCtrlY:
      if (!in_book) return false;
      OnRedo();
      return true;
    case ui::Key::kCtrlF:
      GotoDlgCtrl(IDC_BOOK_SEARCH);
      return true;
  }
  return false;
}

std::vector<size_t> MemoryBookDialog::Selection() const {
  return Window() ? Window()->GetListSelection(IDC_BOOK_LIST) : std::vector<size_t>();
}

void MemoryBookDialog::OnEdit() {
  std::vector<size_t> rows = Selection();
  if (rows.size() != 1) {
    backend().MessageBox(kChooseOne);
    return;
  }
  BookEditDialog edit(backend());
  edit.m_strKeyword = m_book.Keyword(rows[0]);
  edit.m_strReply = m_book.Reply(rows[0]);
  m_asking = true;
  const int answer = edit.DoModal();
  m_asking = false;
  if (answer != ui::IDOK) return;
  MemoryBook::Outcome outcome = m_book.Edit(rows[0], edit.m_strKeyword, edit.m_strReply);
  Show(outcome, m_book.TouchedRows());
}

void MemoryBookDialog::OnDelete() {
  std::vector<size_t> rows = Selection();
  if (rows.empty()) {
    backend().MessageBox(kChooseSome);
    return;
  }
  m_asking = true;
  const bool sure = backend().Confirm("選んだ " + std::to_string(rows.size()) +
                                      " 件の記録を削除します。よろしいですか？");
  m_asking = false;
  if (!sure) return;
  MemoryBook::Outcome outcome = m_book.Delete(rows);
  // The record that now stands where the first one was is the one to go on from.
  std::vector<size_t> next;
  if (m_book.ShownCount() > 0) next.push_back(std::min(rows.front(), m_book.ShownCount() - 1));
  Show(outcome, next);
}

void MemoryBookDialog::OnUndo() {
  MemoryBook::Outcome outcome = m_book.Undo();
  Show(outcome, m_book.TouchedRows());
}

void MemoryBookDialog::OnRedo() {
  MemoryBook::Outcome outcome = m_book.Redo();
  Show(outcome, m_book.TouchedRows());
}

void MemoryBookDialog::Show(const MemoryBook::Outcome& outcome, const std::vector<size_t>& select) {
  if (!outcome.message.empty()) backend().MessageBox(outcome.message);
  switch (outcome.result) {
    case MemoryBook::Result::kDone:
      ShowList(select);
      break;
    case MemoryBook::Result::kChangedOnDisk:
    case MemoryBook::Result::kCannotRead:
      ShowList({});
      break;
    case MemoryBook::Result::kNothing:
    case MemoryBook::Result::kNotStorable:
    case MemoryBook::Result::kWriteFailed:
      break;  // the book and its list are as they were
  }
}

void MemoryBookDialog::ShowList(const std::vector<size_t>& select) {
  if (ui::DialogWindow* window = Window()) {
    window->ListChanged(IDC_BOOK_LIST);
    if (!select.empty()) window->SetListSelection(IDC_BOOK_LIST, select);
  }
  SetDlgItemText(IDC_BOOK_COUNT, std::to_string(m_book.ShownCount()) + " 件 / " +
                                     std::to_string(m_book.RecordCount()) + " 件");
}
