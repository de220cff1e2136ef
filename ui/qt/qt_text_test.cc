// The text boundary helpers and the single-line validator, without windows.
#include "ui/qt/qt_text.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "core/text_codec.h"
#include "ui/qt/sjis_line_validator.h"

namespace ui::qt {
namespace {

QString Q(const char8_t* utf8) { return QString::fromUtf8(utf8); }
std::string S(const char8_t* utf8) {
  return core::Utf8ToSjis(reinterpret_cast<const char*>(utf8)).text;
}

TEST(QtText, FromSjisShowsBadBytesAsReplacements) {
  const std::vector<std::pair<std::string, QString>> cases = {
      {S(u8"日本語～ｱ"), Q(u8"日本語～ｱ")},
      {std::string("ab\x82", 3), Q(u8"ab\uFFFD")},         // cut off at the end
      {std::string("\x82\x20x", 3), Q(u8"\uFFFD x")},      // no second byte
      {std::string("\xFF") + S(u8"あ"), Q(u8"\uFFFDあ")},  // not a lead byte
      {std::string("\x85\x40") + "z", Q(u8"\uFFFDz")},     // unassigned pair
      {std::string("\xED\x40"), Q(u8"\uFFFD")},            // duplicate code
      {"", QString()},
  };
  for (const auto& [sjis, shown] : cases) EXPECT_EQ(FromSjis(sjis), shown) << sjis;
}

TEST(QtText, ToSjisAndTheFirstUnencodableCharacter) {
  struct Case {
    QString text;
    std::string sjis;
    qsizetype index;
    QString character;
  };
  const std::vector<Case> cases = {
      {Q(u8"こんにちは～"), S(u8"こんにちは～"), -1, QString()},
      {Q(u8"〜"), S(u8"～"), -1, QString()},  // the wave dash is taken as its look-alike
      {Q(u8"a😀b"), "ab", 1, Q(u8"😀")},
      {Q(u8"あ😀い😀"), S(u8"あい"), 1, Q(u8"😀")},
      {Q(u8"x€y"), "xy", 1, Q(u8"€")},
      {Q(u8"é"), "", 0, Q(u8"é")},
      {Q(u8"a\uFFFDb😀"), "ab", 3, Q(u8"😀")},  // a replacement is passed over
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    EXPECT_EQ(ToSjis(c.text), c.sjis);
    Unencodable bad = FindUnencodable(c.text);
    EXPECT_EQ(bad.index, c.index);
    EXPECT_EQ(bad.character, c.character);
  }
}

TEST(QtText, ShiftJisByteCounts) {
  const std::vector<std::tuple<QString, int, int, qsizetype>> cases = {
      // text, bytes, limit, UTF-16 units that fit in the limit
      {QStringLiteral("abc"), 3, 2, 2},
      {Q(u8"あいう"), 6, 5, 2},
      {Q(u8"ｱｲｳ"), 3, 2, 2},
      {Q(u8"a😀b"), 4, 2, 1},  // the pair is never split
      {Q(u8"a😀b"), 4, 3, 3},
      {Q(u8"¥~"), 2, 2, 2},
      {QString(), 0, 0, 0},
  };
  for (const auto& [text, bytes, limit, fit] : cases) {
    SCOPED_TRACE(text.toStdString());
    EXPECT_EQ(SjisByteCount(text), bytes);
    EXPECT_EQ(FitToBytes(text, limit), fit);
  }
}

TEST(QtText, StripControlsKeepsTab) {
  QString text = QStringLiteral("a\tb\r\nc") + QChar(0x7F) + QChar(0x9B) + QChar(0x1B) + Q(u8"あ");
  EXPECT_EQ(StripControls(text), Q(u8"a\tbcあ"));
}

TEST(QtText, ShellTargets) {
  const QString folder = QStringLiteral("/home/u/.local/share/rinu");
  const std::vector<std::pair<std::string, QString>> cases = {
      {"help.html", QStringLiteral("file:///home/u/.local/share/rinu/help.html")},
      {"log.txt", QStringLiteral("file:///home/u/.local/share/rinu/log.txt")},
      {"http://example.com/rinu/", QStringLiteral("http://example.com/rinu/")},
      {"mailto:wex@example.com?subject=" + S(u8"Rinuから"),
       QStringLiteral("mailto:wex@example.com?subject=Rinu%E3%81%8B%E3%82%89")},
  };
  for (const auto& [target, url] : cases) {
    EXPECT_EQ(ShellTargetUrl(target, folder).toString(QUrl::FullyEncoded), url) << target;
  }
}

TEST(QtText, FontFamilies) {
  auto in = [](QStringList names) {
    return [names](const QString& family) { return names.contains(family, Qt::CaseInsensitive); };
  };
  const QStringList all = {QStringLiteral("DejaVu Sans"), QStringLiteral("IPAGothic"),
                           QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP")};
  const QStringList noto = {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Sans CJK JP")};
  const QString p_gothic = Q(u8"ＭＳ Ｐゴシック"), gothic = Q(u8"ＭＳ ゴシック");
  EXPECT_EQ(MapFontFamily(p_gothic, in(all)), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(MapFontFamily(gothic, in(all)), QStringLiteral("IPAGothic"));
  EXPECT_EQ(MapFontFamily(p_gothic, in(noto)), QStringLiteral("Noto Sans CJK JP"));
  EXPECT_EQ(MapFontFamily(gothic, in(noto)), QStringLiteral("Noto Sans CJK JP"));
  EXPECT_EQ(MapFontFamily(QStringLiteral("DejaVu Sans"), in(all)), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(MapFontFamily(p_gothic, in({QStringLiteral("DejaVu Sans")})), QString());
}

TEST(QtText, IpaFontsAreFoundByEveryNameUnderEveryLocale) {
  // The families fontconfig lists first depend on the locale ("IPA Pゴシック" under
  // ja_JP.UTF-8); each must be found by its English name as well as by its Japanese one.
  const std::vector<std::pair<QString, QString>> names = {
      {QStringLiteral("IPAPGothic"), Q(u8"IPA Pゴシック")},
      {QStringLiteral("IPAGothic"), Q(u8"IPAゴシック")},
  };
  for (const auto& [english, japanese] : names) {
    EXPECT_TRUE(FontFamilyInstalled(english)) << english.toStdString();
    EXPECT_TRUE(FontFamilyInstalled(japanese)) << japanese.toStdString();
  }
  EXPECT_FALSE(FontFamilyInstalled(QStringLiteral("No Such Family Rinu")));
  EXPECT_EQ(MapFontFamily(Q(u8"ＭＳ Ｐゴシック"), FontFamilyInstalled),
            QStringLiteral("IPAPGothic"));
  EXPECT_EQ(MapFontFamily(Q(u8"ＭＳ ゴシック"), FontFamilyInstalled), QStringLiteral("IPAGothic"));
}

TEST(QtText, ValidatorMeasuresTheEditAgainstTheTextBefore) {
  struct Case {
    const char* what;
    QString before;
    QString input;
    int pos;
    int limit;
    QValidator::State state;
    QString result;
    int result_pos;
  };
  const QString a8 = QStringLiteral("aaaaaaaa");
  const std::vector<Case> cases = {
      {"fits", a8, a8 + Q(u8"あ"), 9, 10, QValidator::Acceptable, a8 + Q(u8"あ"), 9},
      {"crosses the limit", a8 + "a", a8 + Q(u8"aあ"), 10, 10, QValidator::Invalid, {}, 0},
      {"cut to what fits", a8, a8 + Q(u8"あい"), 10, 10, QValidator::Acceptable, a8 + Q(u8"あ"), 9},
      {"insert in the middle", QStringLiteral("abcd"), QStringLiteral("abXYZcd"), 5, 6,
       QValidator::Acceptable, QStringLiteral("abXYcd"), 4},
      {"repeated letters",
       QStringLiteral("aa"),
       QStringLiteral("aaa"),
       1,
       2,
       QValidator::Invalid,
       {},
       0},
      {"deleting past the limit is allowed", a8 + a8, a8 + "a", 9, 10, QValidator::Acceptable,
       a8 + "a", 9},
      {"controls dropped", QStringLiteral("ab"), QStringLiteral("a\nx\rb"), 4, 0,
       QValidator::Acceptable, QStringLiteral("axb"), 2},
      {"only controls",
       QStringLiteral("ab"),
       QStringLiteral("a\nb"),
       2,
       0,
       QValidator::Invalid,
       {},
       0},
      {"no limit", a8, a8 + a8, 16, 0, QValidator::Acceptable, a8 + a8, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SjisLineValidator validator(nullptr);
    validator.set_limit_bytes(c.limit);
    validator.set_current_text(c.before);
    QString input = c.input;
    int pos = c.pos;
    QValidator::State state = validator.validate(input, pos);
    EXPECT_EQ(state, c.state);
    if (state == QValidator::Acceptable) {
      EXPECT_EQ(input, c.result);
      EXPECT_EQ(pos, c.result_pos);
    }
    // Only a paste of several characters cut short is reported, never a refused key.
    const bool pasted_and_cut = c.input.size() - c.before.size() > 1 && c.limit > 0 &&
                                (state == QValidator::Invalid || input != c.input);
    EXPECT_EQ(validator.cuts(), pasted_and_cut ? 1 : 0);
  }
}

TEST(QtText, PasteCutAtTheFieldsLengthLimitIsReported) {
  QLineEdit edit;
  edit.setMaxLength(5);
  auto* validator = new SjisLineValidator(&edit);
  edit.setValidator(validator);
  edit.insert(QStringLiteral("abcdefgh"));
  EXPECT_EQ(edit.text(), QStringLiteral("abcde"));
  EXPECT_EQ(validator->cuts(), 1);
  edit.clear();
  validator->set_current_text(QString());
  edit.insert(QStringLiteral("ab"));
  EXPECT_EQ(validator->cuts(), 1);
}

}  // namespace
}  // namespace ui::qt
