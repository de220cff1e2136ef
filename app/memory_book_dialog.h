// MemoryBookDialog (template 139): the memory book window over a MemoryBook, with the search
// field, the list and 編集, 削除, 元に戻す, やり直す and 閉じる; BookEditDialog (template 140)
// edits one record. Toolkit-free; both talk to the user only through the backend they are
// handed, which must outlive them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/persona_files.h"
#include "memory/memory_book.h"
#include "ui/dialog.h"

class BookEditDialog : public ui::Dialog {
 public:
  explicit BookEditDialog(ui::Backend& backend);
  ~BookEditDialog() override;

  std::string m_strKeyword;  // edit IDC_BOOK_KEYWORD
  std::string m_strReply;    // edit IDC_BOOK_REPLY

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  // A record that would not read back as written is refused with the reason; the dialog
  // stays open with what was typed. A record left as it was shown is not checked.
  void OnOK() override;

 private:
  std::string m_shownKeyword, m_shownReply;  // as the dialog opened
};

class MemoryBookDialog : public ui::Dialog {
 public:
  // The book of `name` in `folder`; the folder and the backend are borrowed.
  MemoryBookDialog(core::Folder& folder, ui::Backend& backend,
                   std::string name = core::kMemoryFile);
  ~MemoryBookDialog() override;

  const MemoryBook& book() const { return m_book; }
  // No button reads the search field: what it holds is taken as it is typed.
  bool ReadsText(int command, int control) const override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;  // nothing: the book has no OK, and Enter presses 編集
  bool OnCommand(int id) override;
  void OnNotify(int id, ui::Notify code) override;
  // Enter in the search field edits the one row shown; Delete in the list deletes; Ctrl+Z
  // and Ctrl+Y in the list or the search field undo and redo; Ctrl+F goes to the search.
  bool OnKey(int id, ui::Key key) override;
  // Beside the chat window: what changed in memory.dat shows when the book is activated, and
  // within a second, keeping the search text, the selection (where its records still are)
  // and the scroll position.
  void OnActivate() override;
  void OnTimer() override;

 private:
  static constexpr int kRefreshMs = 1000;
  void Refresh();
  class Rows;  // the list's model: the book's shown records

  void OnEdit();
  void OnDelete();
  void OnUndo();
  void OnRedo();
  // Shows the outcome's message, then (when the book read the file again) the list afresh
  // with `select` selected, and the count.
  void Show(const MemoryBook::Outcome& outcome, const std::vector<size_t>& select);
  void ShowList(const std::vector<size_t>& select);
  std::vector<size_t> Selection() const;

  MemoryBook m_book;
  std::unique_ptr<Rows> m_rows;
  bool m_asking = false;  // a question or the edit dialog is open
};
