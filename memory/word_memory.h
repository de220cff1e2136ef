// WordMemory: how the user edits the persona's word memory memory.dat. It appends taught
// pairs (from the learn dialog or a "keyword===reply" line) and removes one record chosen
// from a numbered list of the records a keyword calls up. It keeps no copy of the file:
// each operation works on memory.dat itself. One object serves one user action; its
// destructor removes a left-over "tem.buf.temp".
#pragma once

#include <string>

class WordMemory {
 public:
  WordMemory();
  virtual ~WordMemory();
  WordMemory(const WordMemory&) = delete;
  WordMemory& operator=(const WordMemory&) = delete;

  // Teaching. 1 once a pair was handed to AppendRecord (whatever it gave), 0 when the
  // dialog was cancelled or the line holds no "===".
  int LearnByDialog();
  int LearnFromLine(const std::string& line);
  // Splits `line` at its first "===" into keyword and reply (up to a line break); 0 when
  // there is none.
  int SplitLearnLine(std::string& keyword, std::string& reply, const std::string& line);
  // Appends keyword "%+%" reply to memory.dat in the stored form; 0 after its messages when
  // it cannot be written.
  int AppendRecord(const std::string& keyword, const std::string& reply);

  // Forgetting. 1 when the chosen record was found and the rewrite attempted, else 0.
  int ForgetByDialog();
  int ForgetKeyword(const std::string& keyword);
  int AskKeyword(std::string& keyword);
  // Builds m_strMatches, the numbered list of records whose keyword occurs in `keyword`.
  int ListMatches(const std::string& keyword);
  void CollapseLineBreaks(std::string& text);
  void ExpandLineBreaks(std::string& text);
  int ForgetChosen();
  int ChooseNumber(int& number);
  int CopyWithoutChosen(int n, const std::string& keyword);
  int CopyBack();

  const std::string& matches() const { return m_strMatches; }

 private:
  std::string m_pszKeyword;  // the keyword of the forget under way
  std::string m_strMatches;  // the list shown in the number dialog
};
