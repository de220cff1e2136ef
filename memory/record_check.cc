#include "memory/record_check.h"

const char* NotStorableMessage(StoreProblem problem) {
  switch (problem) {
    case StoreProblem::kNone:
      return nullptr;
    case StoreProblem::kBadByte:
      return "この言葉は覚えられません。\nmemory.datに書けない文字が含まれています。";
    case StoreProblem::kLineBreak:
      return "この言葉は覚えられません。\n改行を含む言葉は書けません。";
    case StoreProblem::kReadsAsComment:
      return "この言葉は覚えられません。\n\",,\"で始まる言葉はコメントとして読まれてしまいます。";
    case StoreProblem::kTooLong:
      return "この言葉は覚えられません。\n言葉と返事が長すぎます。\n"
             "合わせて半角344文字(全角172文字)までにしてください。";
  }
  return nullptr;
}
