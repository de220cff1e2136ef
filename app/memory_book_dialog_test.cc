// The memory book driven as a user drives it, through the scripted backend: what the list
// and the count show, and memory.dat byte for byte after every change, undo and redo.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/record_format.h"
#include "app/memory_book_dialog.h"
#include "res/resource.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using Strings = std::vector<std::string>;

const std::string kChangedOnDisk =
    "memory.datはメモリー帳を開いた後にほかで書き換えられています。\n"
    "何も変えずに一覧を読み直しました。もう一度操作してください。";
const std::string kWriteFailed =
    "書き込みに失敗しました。\nmemory.datは変更前のままです。"
    "ディスクの空きや読み込み専用になっていないかを確かめてください。";

// Lines 1 to 8: a comment, four records, an empty line, a record, and a last record without
// a line break. Newest first, the list reads lines 8, 7, 5, 4, 3, 2.
const std::string kComment = "// taught by hand\r\n";
const std::string kFile =
    kComment +
    Stored({"Apple%+%red fruit", "banana%+%yellow", "りんご%+%赤い", "cherry%+%small APPLE"}) +
    "\r\n" + Stored({"no separator"}) + "hfw1" /* "ect." unshifted */;
const Strings kAllRows = {"8|ect.|ect.",          "7|no separator|no separator",
                          "5|cherry|small APPLE", "4|りんご|赤い",
                          "3|banana|yellow",      "2|Apple|red fruit"};

// `file` without the lines numbered in `gone` (from 1), every other byte kept.
std::string WithoutLines(const std::string& file, const std::vector<size_t>& gone) {
  std::string out;
  size_t number = 1;
  for (size_t start = 0; start < file.size(); ++number) {
    size_t end = file.find('\n', start);
    end = end == std::string::npos ? file.size() : end + 1;
    if (std::find(gone.begin(), gone.end(), number) == gone.end())
      out.append(file, start, end - start);
    start = end;
  }
  return out;
}

std::string Unterminated(const std::string& plain) {
  std::string line = Stored({plain});
  return line.substr(0, line.size() - 2);
}

class MemoryBookTest : public WorkFolderTest {
 protected:
  void SetUp() override {
    WorkFolderTest::SetUp();
    WriteFile("memory.dat", kFile);
  }
  // Runs the book with `steps`, then 閉じる; the edit dialogs it opens take `edits`.
  void RunBook(std::vector<Step> steps, std::vector<std::vector<Step>> edits = {}) {
    steps.push_back(Press(ui::IDCANCEL));
    backend.When(IDD_MEMORY_BOOK, std::move(steps));
    for (auto& edit : edits) backend.When(IDD_BOOK_EDIT, std::move(edit));
    MemoryBookDialog book(persona.folder(), backend);
    EXPECT_EQ(book.DoModal(), ui::IDCANCEL);
  }
  const DialogRecord& Book() const {
    for (const DialogRecord& d : backend.dialogs())
      if (d.template_id == IDD_MEMORY_BOOK) return d;
    return backend.dialogs().front();
  }
  // The list after step `state` (0: as opened), one "line|keyword|reply" a row.
  Strings Rows(size_t state) const {
    Strings rows;
    for (const auto& cells : Book().states.at(state).rows.at(IDC_BOOK_LIST)) {
      rows.push_back(cells.at(0) + "|" + cells.at(1) + "|" + cells.at(2));
    }
    return rows;
  }
  std::string Count(size_t state) const { return Book().states.at(state).text.at(IDC_BOOK_COUNT); }
};

TEST_F(MemoryBookTest, ListsEveryRecordNewestFirstAndFiltersAsTheUserTypes) {
  const struct {
    std::string typed;
    Strings rows;  // line numbers
  } cases[] = {
      {"apple", {"5", "2"}},  // keyword or reply, either case
      {"APPLE R", {}},        // not across the separator
      {"e%+%r", {}},
      {"red f", {"2"}},
      {"赤", {"4"}},
      {"ECT.", {"8"}},  // a line without a separator is both keyword and reply
      {"", {"8", "7", "5", "4", "3", "2"}},
      {"taught", {}},  // comments are not listed
      {"a", {"7", "5", "3", "2"}},
      {"an", {"3"}},      // narrowing from the rows shown
      {"n", {"7", "3"}},  // widening again from every record
  };
  std::vector<Step> steps;
  for (const auto& c : cases) steps.push_back(Type(IDC_BOOK_SEARCH, c.typed));
  RunBook(steps);
  EXPECT_EQ(Rows(0), kAllRows);
  EXPECT_EQ(Count(0), "6 件 / 6 件");
  for (size_t i = 0; i < std::size(cases); ++i) {
    Strings lines;
    for (const std::string& row : Rows(i + 1)) lines.push_back(row.substr(0, row.find('|')));
    EXPECT_EQ(lines, cases[i].rows) << cases[i].typed;
    EXPECT_EQ(Count(i + 1), std::to_string(cases[i].rows.size()) + " 件 / 6 件");
  }
  EXPECT_EQ(ReadFile("memory.dat"), kFile);
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(MemoryBookTest, EditRewritesOneLineUndoAndRedoGoBackAndForth) {
  const std::string edited =
      kComment +
      Stored({"Apple%+%red fruit", "banana%+%yellow", "りんご%+%真っ赤", "cherry%+%small APPLE"}) +
      "\r\n" + Stored({"no separator"}) + "hfw1";
  // The last line keeps having no line break.
  const std::string last_edited = edited.substr(0, edited.size() - 4) + Unterminated("end%+%.");
  std::string after_edit, after_undo, after_redo;
  RunBook({Type(IDC_BOOK_SEARCH, "りんご"), Select(IDC_BOOK_LIST, {0}), Press(IDC_BOOK_EDIT),
           Call([&] { after_edit = ReadFile("memory.dat"); }), Press(IDC_BOOK_UNDO),
           Call([&] { after_undo = ReadFile("memory.dat"); }), Press(IDC_BOOK_REDO),
           Call([&] { after_redo = ReadFile("memory.dat"); }), Type(IDC_BOOK_SEARCH, ""),
           DoubleClick(IDC_BOOK_LIST, 0)},
          {{Type(IDC_BOOK_REPLY, "真っ赤"), Press(ui::IDOK)},
           {Type(IDC_BOOK_KEYWORD, "end"), Type(IDC_BOOK_REPLY, "."), Press(ui::IDOK)}});
  EXPECT_EQ(after_edit, edited);
  EXPECT_EQ(after_undo, kFile);
  EXPECT_EQ(after_redo, edited);
  EXPECT_EQ(ReadFile("memory.dat"), last_edited);
  // The edit dialog opened with the record, and the edited row stayed selected.
  const DialogRecord& edit = backend.dialogs().at(1);
  EXPECT_EQ(edit.template_id, IDD_BOOK_EDIT);
  EXPECT_EQ(edit.states.at(0).text.at(IDC_BOOK_KEYWORD), "りんご");
  EXPECT_EQ(edit.states.at(0).text.at(IDC_BOOK_REPLY), "赤い");
  EXPECT_EQ(Rows(3), Strings{"4|りんご|真っ赤"});
  EXPECT_EQ(Book().states.at(3).selection.at(IDC_BOOK_LIST), std::vector<size_t>{0});
  EXPECT_EQ(Rows(11).front(), "8|end|.");
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(MemoryBookTest, DeleteRemovesTheSelectedRecordsAfterOneQuestion) {
  // Rows 0, 2 and 4 are lines 8, 5 and 3.
  const std::string deleted =
      kComment + Stored({"Apple%+%red fruit", "りんご%+%赤い"}) + "\r\n" + Stored({"no separator"});
  backend.Answer(false).Answer(true);
  std::string after_cancel, after_delete, after_undo;
  RunBook({Select(IDC_BOOK_LIST, {0, 2, 4}), Press(IDC_BOOK_DELETE),
           Call([&] { after_cancel = ReadFile("memory.dat"); }), Press(IDC_BOOK_DELETE),
           Call([&] { after_delete = ReadFile("memory.dat"); }), Press(IDC_BOOK_UNDO),
           Call([&] { after_undo = ReadFile("memory.dat"); }), Press(IDC_BOOK_REDO)});
  EXPECT_EQ(backend.questions(), Strings(2, "選んだ 3 件の記録を削除します。よろしいですか？"));
  EXPECT_EQ(after_cancel, kFile);
  EXPECT_EQ(after_delete, deleted);
  EXPECT_EQ(Count(4), "3 件 / 3 件");
  EXPECT_EQ(after_undo, kFile);
  EXPECT_EQ(Book().states.at(6).selection.at(IDC_BOOK_LIST), (std::vector<size_t>{0, 2, 4}));
  EXPECT_EQ(ReadFile("memory.dat"), deleted);
  // The lines after a deleted one move up.
  EXPECT_EQ(Rows(8),
            (Strings{"5|no separator|no separator", "3|りんご|赤い", "2|Apple|red fruit"}));
}

TEST_F(MemoryBookTest, LongLineIsShownWholeAndRemovedWhole) {
  const std::string long_reply(400 - 7, 'x');  // a line of 400 bytes
  const std::string file =
      kComment + Stored({"a%+%b", "long%+%" + long_reply}) + Unterminated("c%+%d");
  WriteFile("memory.dat", file);
  backend.Answer(true);
  std::string after_delete;
  RunBook({Select(IDC_BOOK_LIST, {1}), Press(IDC_BOOK_DELETE),
           Call([&] { after_delete = ReadFile("memory.dat"); }), Press(IDC_BOOK_UNDO)});
  EXPECT_EQ(Rows(0), (Strings{"4|c|d", "3|long|" + long_reply, "2|a|b"}));
  EXPECT_EQ(after_delete, kComment + Stored({"a%+%b"}) + Unterminated("c%+%d"));
  EXPECT_EQ(ReadFile("memory.dat"), file);
}

TEST_F(MemoryBookTest, RecordThatWouldNotReadBackAsWrittenIsRefused) {
  const struct {
    std::string keyword, reply, message;
  } cases[] = {
      {",,note", "x",
       "この言葉は覚えられません。\n\",,\"で始まる言葉はコメントとして読まれてしまいます。"},
      {"a%+%b", "x", "この言葉は覚えられません。\nキーワードに\"%+%\"は使えません。"},
      {"a", "b\x17", "この言葉は覚えられません。\nmemory.datに書けない文字が含まれています。"},
      {"a", "b\nc", "この言葉は覚えられません。\n改行を含む言葉は書けません。"},
  };
  std::vector<Step> steps = {Select(IDC_BOOK_LIST, {2})};
  std::vector<std::vector<Step>> edits;
  for (const auto& c : cases) {
    // Refused, the dialog stays open with what was typed; Cancel then ends it.
    steps.push_back(Press(IDC_BOOK_EDIT));
    edits.push_back({Type(IDC_BOOK_KEYWORD, c.keyword), Type(IDC_BOOK_REPLY, c.reply),
                     Press(ui::IDOK), Press(ui::IDCANCEL)});
    EXPECT_EQ(MemoryBook::WhyNotStorable(c.keyword, c.reply), c.message);
  }
  RunBook(steps, edits);
  Strings expected;
  for (const auto& c : cases) expected.push_back(c.message);
  EXPECT_EQ(backend.boxes(), expected);
  EXPECT_EQ(backend.dialogs().at(1).states.at(3).text.at(IDC_BOOK_KEYWORD), ",,note");
  // The book's own check refuses what a dialog would let through.
  MemoryBook book(persona.folder());
  ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
  EXPECT_EQ(book.Edit(0, "a%+%b", "x").result, MemoryBook::Result::kNotStorable);
  EXPECT_EQ(ReadFile("memory.dat"), kFile);
}

TEST_F(MemoryBookTest, FileChangedOnDiskIsReadAgainAndNotOverwritten) {
  const std::string elsewhere = kFile + "\r\n" + Stored({"new%+%from elsewhere"});
  backend.Answer(true);
  RunBook({Call([&] { WriteFile("memory.dat", elsewhere); }), Select(IDC_BOOK_LIST, {0}),
           Press(IDC_BOOK_DELETE)});
  EXPECT_EQ(backend.questions().size(), 1u);
  EXPECT_EQ(backend.boxes(), Strings{kChangedOnDisk});
  EXPECT_EQ(ReadFile("memory.dat"), elsewhere);
  EXPECT_EQ(Rows(3).front(), "9|new|from elsewhere");
  EXPECT_EQ(Count(3), "7 件 / 7 件");
}

TEST_F(MemoryBookTest, FailedWriteLeavesTheFileWholeAndSaysSo) {
  backend.Answer(true);
  {
    ScopedFileSizeLimit disk_full(static_cast<long>(kFile.size()) / 2);
    RunBook({Select(IDC_BOOK_LIST, {5}), Press(IDC_BOOK_DELETE), Press(IDC_BOOK_UNDO)});
  }
  EXPECT_EQ(backend.boxes(), (Strings{kWriteFailed, "元に戻せる変更はありません。"}));
  EXPECT_EQ(ReadFile("memory.dat"), kFile);
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
  EXPECT_EQ(Rows(2), kAllRows);
  EXPECT_EQ(Book().states.at(2).selection.at(IDC_BOOK_LIST), std::vector<size_t>{5});
}

TEST_F(MemoryBookTest, TakesBackTheLastTwentyChanges) {
  MemoryBook book(persona.folder());
  ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
  std::vector<std::string> files = {kFile};
  for (int i = 1; i <= 25; ++i) {
    ASSERT_EQ(book.Edit(4, "banana", std::to_string(i)).result, MemoryBook::Result::kDone);
    files.push_back(ReadFile("memory.dat"));
  }
  for (int i = 24; i >= 5; --i) {
    ASSERT_EQ(book.Undo().result, MemoryBook::Result::kDone) << i;
    EXPECT_EQ(ReadFile("memory.dat"), files[i]);
  }
  EXPECT_EQ(book.Undo().result, MemoryBook::Result::kNothing);
  ASSERT_EQ(book.Redo().result, MemoryBook::Result::kDone);
  EXPECT_EQ(ReadFile("memory.dat"), files[6]);
  // A new change ends what could be done again.
  ASSERT_EQ(book.Delete({0}).result, MemoryBook::Result::kDone);
  EXPECT_EQ(book.Redo().result, MemoryBook::Result::kNothing);
  EXPECT_EQ(book.Keyword(0), "no separator");
}

TEST_F(MemoryBookTest, DeleteAndUndoPutEveryLineBackInItsPlace) {
  const struct {
    std::vector<size_t> rows;
    std::vector<size_t> lines;  // the lines they are
  } cases[] = {
      {{0}, {8}},                                // the last line, without a line break
      {{0, 1}, {8, 7}},                          // ... and the one before it
      {{2, 3, 4}, {5, 4, 3}},                    // side by side
      {{5}, {2}},                                // the oldest, after the comment
      {{0, 1, 2, 3, 4, 5}, {8, 7, 5, 4, 3, 2}},  // all: the comment and the empty line stay
  };
  for (const auto& c : cases) {
    WriteFile("memory.dat", kFile);
    MemoryBook book(persona.folder());
    ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
    ASSERT_EQ(book.Delete(c.rows).result, MemoryBook::Result::kDone);
    const std::string deleted = WithoutLines(kFile, c.lines);
    EXPECT_EQ(ReadFile("memory.dat"), deleted) << c.lines.front();
    ASSERT_EQ(book.Undo().result, MemoryBook::Result::kDone);
    EXPECT_EQ(ReadFile("memory.dat"), kFile) << c.lines.front();
    EXPECT_EQ(book.TouchedRows(), c.rows);  // the records put back, where they were
    ASSERT_EQ(book.Redo().result, MemoryBook::Result::kDone);
    EXPECT_EQ(ReadFile("memory.dat"), deleted) << c.lines.front();
  }
}

TEST_F(MemoryBookTest, EditKeepsTheLinesOwnLineBreak) {
  const std::string older = Stored({"x%+%y"});
  for (const std::string end : {"\r\n", "\n", ""}) {
    WriteFile("memory.dat", older + Unterminated("a%+%b") + end);
    MemoryBook book(persona.folder());
    ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
    ASSERT_EQ(book.Keyword(0), "a");
    ASSERT_EQ(book.Edit(0, "a", "NAME!").result, MemoryBook::Result::kDone);
    EXPECT_EQ(ReadFile("memory.dat"), older + Unterminated("a%+%NAME!") + end);
    EXPECT_EQ(book.Reply(0), "NAME!");  // as written
  }
}

// Whether `field` holds `text` at one of its characters' starts, single-byte letters in
// either case: the search written plainly, a character at a time.
bool HoldsWholeCharacters(const std::string& field, const std::string& text) {
  auto lead = [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  };
  for (size_t i = 0; i + text.size() <= field.size(); i += lead(field[i]) ? 2 : 1) {
    size_t k = 0;
    while (k < text.size()) {
      const size_t n = lead(text[k]) && k + 1 < text.size() ? 2 : 1;
      const bool same = n == 2 ? field.compare(i + k, 2, text, k, 2) == 0
                               : FoldNoCase(static_cast<unsigned char>(field[i + k])) ==
                                     FoldNoCase(static_cast<unsigned char>(text[k]));
      if (!same) break;
      k += n;
    }
    if (k >= text.size()) return true;
  }
  return false;
}

// The search over the whole file (16 bytes at a time; メ, も, 亜 and ａ end in a byte that can
// also start a two-byte character) and the narrowing over the rows shown
// against that plain search on each record as the reply search reads it.
TEST_F(MemoryBookTest, SearchFindsWholeCharactersInKeywordOrReply) {
  const std::vector<std::string> pieces = {"a", "A",  "b",  "%",  "+",  "%+%", ",",
                                           "/", "あ", "ア", "ヂ", "z",  "Z",   std::string(1, '\0'),
                                           "1", "ウ", "テ", "メ", "も", "亜",  "ａ"};
  std::mt19937 rng(7);
  std::string file;
  for (int i = 0; i < 3000; ++i) {
    std::string plain;
    for (int k = static_cast<int>(rng() % 12); k > 0; --k) plain += pieces[rng() % pieces.size()];
    file += rng() % 20 == 0 ? "//" + plain + "\r\n" : Stored({plain});
  }
  WriteFile("memory.dat", file);
  MemoryBook book(persona.folder());
  ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
  // What the search should show: each record read back, newest first.
  std::vector<std::pair<size_t, std::string>> records;  // line number, plain text
  size_t number = 0;
  for (size_t start = 0; start < file.size(); start = file.find('\n', start) + 1) {
    std::string stored = file.substr(start, file.find("\r\n", start) - start);
    ++number;
    if (stored.empty() || IsCommentLine(stored)) continue;
    ShiftLine(stored, ShiftRead);
    CutAtNul(stored);
    if (!stored.empty()) records.emplace_back(number, stored);
  }
  ASSERT_EQ(book.RecordCount(), records.size());
  const std::vector<std::string> filters = {"a", "aB", "ab%", "A%+%b", "ア",  "ヂ",
                                            "%", "ZZ", "z",   "za",    "/",   "1a",
                                            "",  "+a", "A",   "ヂア",  "アa", "aア"};
  for (const std::string& filter : filters) {
    book.SetFilter(filter);
    std::vector<size_t> expected, shown;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
      std::string keyword = it->second, reply = it->second;
      SplitRecord(keyword, RecordKeyword);
      SplitRecord(reply, RecordReply);
      if (filter.empty() || HoldsWholeCharacters(keyword, filter) ||
          HoldsWholeCharacters(reply, filter)) {
        expected.push_back(it->first);
      }
    }
    for (size_t row = 0; row < book.ShownCount(); ++row) shown.push_back(book.LineNumber(row));
    EXPECT_EQ(shown, expected) << filter;
  }
}

// The second byte of ア (0x83 0x41) is "A", of ヂ (0x83 0x61) "a", of ウ (0x83 0x45) "E" and of
// テ (0x83 0x65) "e": none of them is a letter to the search. What it lists is what 削除 removes.
TEST_F(MemoryBookTest, SearchMatchesWholeCharactersOnlyAndDeleteTakesOnlyThose) {
  const std::string file = Stored({"ア%+%一", "ヂ%+%二", "ウ%+%三", "xABC%+%四", "テ%+%五"});
  const struct {
    std::string typed;
    Strings lines;      // listed, newest first
    std::string after;  // memory.dat after every listed record is deleted
  } cases[] = {
      {"A", {"4"}, Stored({"ア%+%一", "ヂ%+%二", "ウ%+%三", "テ%+%五"})},
      {"a", {"4"}, Stored({"ア%+%一", "ヂ%+%二", "ウ%+%三", "テ%+%五"})},
      {"テ", {"5"}, Stored({"ア%+%一", "ヂ%+%二", "ウ%+%三", "xABC%+%四"})},
      {"ヂ", {"2"}, Stored({"ア%+%一", "ウ%+%三", "xABC%+%四", "テ%+%五"})},
      {"abc", {"4"}, Stored({"ア%+%一", "ヂ%+%二", "ウ%+%三", "テ%+%五"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    WriteFile("memory.dat", file);
    backend = ScriptedBackend();
    backend.Answer(true);
    std::vector<size_t> all(c.lines.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    RunBook({Type(IDC_BOOK_SEARCH, c.typed), Select(IDC_BOOK_LIST, all), Press(IDC_BOOK_DELETE)});
    Strings lines;
    for (const std::string& row : Rows(1)) lines.push_back(row.substr(0, row.find('|')));
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(ReadFile("memory.dat"), c.after);
  }
}

// A character the field refuses leaves the search on the text the field shows: a select-all
// delete then takes only what that text lists.
TEST_F(MemoryBookTest, RefusedCharacterLeavesTheSearchOnTheShownText) {
  backend.Answer(true);
  RunBook({Type(IDC_BOOK_SEARCH, "ch"), TypeUtf8(IDC_BOOK_SEARCH, "ch\xED\x95\x9Cy"),
           Select(IDC_BOOK_LIST, {0}), Press(IDC_BOOK_DELETE)});
  EXPECT_EQ(backend.refused(), Strings{"\xED\x95\x9C"});
  EXPECT_EQ(Book().states.at(2).text.at(IDC_BOOK_SEARCH), "ch");
  EXPECT_EQ(Rows(2), Strings{"5|cherry|small APPLE"});
  EXPECT_EQ(Count(2), "1 件 / 6 件");
  EXPECT_EQ(ReadFile("memory.dat"), WithoutLines(kFile, {5}));
}

// OK on an edit left as it opened writes nothing and leaves nothing to undo, even for a line
// without "%+%" (shown as keyword and reply) too long to be stored as keyword%+%reply.
TEST_F(MemoryBookTest, UntouchedEditWritesNothing) {
  const std::string long_plain(200, 'q');
  const std::string file = Stored({"plain line", long_plain, "k%+%r"});
  WriteFile("memory.dat", file);
  RunBook({Select(IDC_BOOK_LIST, {2}), Press(IDC_BOOK_EDIT), Select(IDC_BOOK_LIST, {1}),
           Press(IDC_BOOK_EDIT), Select(IDC_BOOK_LIST, {0}), Press(IDC_BOOK_EDIT),
           Press(IDC_BOOK_UNDO), Select(IDC_BOOK_LIST, {2}), Press(IDC_BOOK_EDIT)},
          {{Press(ui::IDOK)},
           {Press(ui::IDOK)},
           {Type(IDC_BOOK_REPLY, "r"), Press(ui::IDOK)},
           {Type(IDC_BOOK_REPLY, "new"), Press(ui::IDOK)}});
  const DialogRecord& plain = backend.dialogs().at(1);
  EXPECT_EQ(plain.states.at(0).text.at(IDC_BOOK_KEYWORD), "plain line");
  EXPECT_EQ(plain.states.at(0).text.at(IDC_BOOK_REPLY), "plain line");
  // Only the last edit changed something.
  EXPECT_EQ(backend.boxes(), Strings{"元に戻せる変更はありません。"});
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"plain line%+%new", long_plain, "k%+%r"}));
}

TEST_F(MemoryBookTest, KeysEditDeleteUndoAndFind) {
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::vector<Step>> edits;
    std::string after;
    int focus;  // at the end
  } cases[] = {
      {"Tab into the list, Enter edits its first row",
       {Tab(IDC_BOOK_LIST), Key(ui::Key::kReturn)},
       {{Type(IDC_BOOK_REPLY, "!"), Press(ui::IDOK)}},
       kComment +
           Stored(
               {"Apple%+%red fruit", "banana%+%yellow", "りんご%+%赤い", "cherry%+%small APPLE"}) +
           "\r\n" + Stored({"no separator"}) + Unterminated("ect.%+%!"),
       IDC_BOOK_LIST},
      {"Enter in the search field with one row shown edits it",
       {Type(IDC_BOOK_SEARCH, "りんご"), Key(ui::Key::kReturn)},
       {{Type(IDC_BOOK_REPLY, "!"), Press(ui::IDOK)}},
       kComment +
           Stored({"Apple%+%red fruit", "banana%+%yellow", "りんご%+%!", "cherry%+%small APPLE"}) +
           "\r\n" + Stored({"no separator"}) + "hfw1",
       IDC_BOOK_SEARCH},
      {"Delete in the list asks, then deletes; Ctrl+Z, Ctrl+Y in the search field",
       {Select(IDC_BOOK_LIST, {2, 3}), Key(ui::Key::kDelete), Type(IDC_BOOK_SEARCH, "a"),
        Key(ui::Key::kCtrlZ), Key(ui::Key::kCtrlY)},
       {},
       WithoutLines(kFile, {5, 4}),
       IDC_BOOK_SEARCH},
      {"Ctrl+Z in the list undoes; Ctrl+F goes to the search field",
       {Select(IDC_BOOK_LIST, {0}), Key(ui::Key::kDelete), Tab(IDC_BOOK_LIST), Key(ui::Key::kCtrlZ),
        Key(ui::Key::kCtrlF)},
       {},
       kFile,
       IDC_BOOK_SEARCH},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile("memory.dat", kFile);
    backend = ScriptedBackend();
    backend.Answer(true);
    RunBook(c.steps, c.edits);
    EXPECT_EQ(ReadFile("memory.dat"), c.after);
    EXPECT_EQ(backend.boxes(), Strings{});
    EXPECT_EQ(backend.errors(), Strings{});
    EXPECT_EQ(backend.scripts_left(), 0u);
    EXPECT_EQ(Book().states.at(c.steps.size()).focus, c.focus);
  }
  // Deleting asked first.
  EXPECT_EQ(backend.questions(), Strings{"選んだ 1 件の記録を削除します。よろしいですか？"});
}

TEST_F(MemoryBookTest, RefusedChangeSaysTheUndoHistoryWasCleared) {
  const std::string elsewhere = kFile + "\r\n" + Stored({"new%+%from elsewhere"});
  backend.Answer(true);
  RunBook({Select(IDC_BOOK_LIST, {0}), Press(IDC_BOOK_DELETE),
           Call([&] { WriteFile("memory.dat", elsewhere); }), Press(IDC_BOOK_UNDO),
           Press(IDC_BOOK_UNDO)});
  EXPECT_EQ(backend.boxes(),
            (Strings{kChangedOnDisk +
                         "\n読み直したため、元に戻す・やり直すための変更の記録は消去しました。",
                     "元に戻せる変更はありません。"}));
  EXPECT_EQ(ReadFile("memory.dat"), elsewhere);
}

}  // namespace
