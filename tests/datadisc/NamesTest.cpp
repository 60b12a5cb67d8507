#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "datadisc/CollisionResolver.h"
#include "datadisc/Names.h"
#include "datadisc/Utf16.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

// Applies one of the name rules to a copy of `name`.
template <auto Rule, typename... Args>
std::string Apply(std::string name, Args... args) {
  Rule(name, args...);
  return name;
}

TEST(NameRules, IsoTables) {
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"readme.txt", "README.TXT", "README.TXT"},
      {"My Document.docx", "MY_DOCUM.DOC", "MY_DOCUMENT.DOCX"},
      {"archive.tar.gz", "ARCHIVE_.GZ", "ARCHIVE_TAR.GZ"},
      {"Makefile", "MAKEFILE", "MAKEFILE"},
      {"verylongname", "VERYLONG", "VERYLONGNAME"},
      {".profile", ".PRO", ".PROFILE"},
      {"file.", "FILE.", "FILE."},
      {"a+b.d~~", "A_B.D__", "A_B.D__"},
      {"x.y.z", "X_Y.Z", "X_Y.Z"},
      // Every byte of a multi-byte character is one underscore.
      {"\xC3\xA9t\xC3\xA9.txt", "__T__.TXT", "__T__.TXT"},
  };
  for (const auto& [name, iso83, iso30] : rows) {
    EXPECT_EQ(Apply<MakeIso83Name>(name), iso83) << name;
    EXPECT_EQ(Apply<MakeIso30Name>(name), iso30) << name;
  }
  // Longer than 30: the text from the last dot is kept.
  EXPECT_EQ(Apply<MakeIso30Name>("a very long name of a document.backup.txt"),
            "A_VERY_LONG_NAME_OF_A_DOCU.TXT");
  EXPECT_EQ(Apply<MakeIso30Name>(std::string(40, 'q')), std::string(30, 'Q'));
}

TEST(NameRules, JolietCutsKeepExtensionAndCharacters) {
  const std::string n58 = std::string(58, 'n'), hugeExtension = "ab." + std::string(70, 'e');
  std::string cjk40, accented125, emoji60;
  for (int i = 0; i < 40; ++i) cjk40 += "\xE6\x97\xA5";     // 40 characters, 120 bytes
  for (int i = 0; i < 125; ++i) accented125 += "\xC3\xA9";  // 125 characters
  for (int i = 0; i < 60; ++i) emoji60 += "\xF0\x9F\x98\x80";  // 60 characters, two code units each
  const std::pair<std::string, std::string> cases[] = {
      {std::string(72, 'n') + ".doc", n58 + ".doc"},
      {n58 + ".doc", n58 + ".doc"},
      {std::string(70, 'n'), std::string(62, 'n')},
      // The limit counts code units, not bytes: 44 units stay whole.
      {cjk40 + ".txt", cjk40 + ".txt"},
      {accented125, accented125.substr(0, 2 * 62)},
      {emoji60, emoji60.substr(0, 4 * 31)},
      // 58 units of base: an emoji would need 59 and 60, so it goes whole.
      {std::string(57, 'x') + "\xF0\x9F\x98\x80" + ".txt", std::string(57, 'x') + ".txt"},
      // An extension as long as the limit leaves no room: the name's start is kept.
      {hugeExtension, hugeExtension.substr(0, 62)},
      // What Joliet readers take as separators or a version is replaced.
      {"a;b.txt", "a_b.txt"},
      {"what? *now*: a\\b\tc.txt", "what_ _now__ a_b_c.txt"},
  };
  for (const auto& [name, joliet] : cases) EXPECT_EQ(Apply<MakeJolietName>(name), joliet) << name;
}

// The order of a scanned folder's entries is in SourceTreeTest; here the pairs it meets not.
TEST(NameRules, SortOrder) {
  const std::pair<const char*, const char*> ascending[] = {{"ABC", "ABCD"}, {"README", "readme"}};
  for (const auto& [first, second] : ascending) {
    EXPECT_LT(CompareNames(first, second), 0) << first << " " << second;
    EXPECT_GT(CompareNames(second, first), 0) << first << " " << second;
  }
  EXPECT_EQ(CompareNames("same", "same"), 0);
  EXPECT_TRUE(NameOrder()("Z", "_"));
  EXPECT_FALSE(NameOrder()("_", "Z"));
}

TEST(NameRules, CollisionChains) {
  std::string accented, emoji;
  for (int i = 0; i < 29; ++i) accented += "\xC3\xA9";  // 29 characters
  for (int i = 0; i < 29; ++i) emoji += "\xF0\x9F\x98\x80";  // 58 code units
  const NameLength iso83{kIso83Limit}, iso30{kIso30Limit};
  const std::tuple<std::string, int, NameLength, std::string> cases[] = {
      // Read me.txt and Read_me.txt both give READ_ME.TXT in ISO-only mode.
      {"READ_ME.TXT", 1, iso83, "READ_M_1.TXT"},
      {"READ_M_1.TXT", 2, iso83, "READ_M_2.TXT"},
      {"A.TXT", 1, iso83, "A_1.TXT"},
      {"A_1.TXT", 2, iso83, "A_1_2.TXT"},
      {"my.file.name.txt", 1, kJolietLength, "my_1.txt"},
      {"noext", 12, kJolietLength, "noext_12"},
      // 60 code units with the suffix: no cut.
      {"x" + accented + ".txt", 1, kJolietLength, "x" + accented + "_1.txt"},
      // 58 + 2 + 4 units: one emoji (two units) gives way, never half of one.
      {emoji + ".txt", 1, kJolietLength, emoji.substr(0, 4 * 28) + "_1.txt"},
      // No room even for an empty base: the extension gives way, within the limit.
      {"." + std::string(29, 'E'), 1, iso30, "_1." + std::string(27, 'E')},
  };
  for (const auto& [name, counter, length, renamed] : cases)
    EXPECT_EQ(Apply<ResolveCollision>(name, counter, length), renamed) << name;
}

// Resolving many equal names at once must give what resolving them one by
// one, each walking its counters from 1, gives.
TEST(NameRules, BulkCollisionsMatchOneByOne) {
  for (const NameLength limit : {NameLength{kIso83Limit}, NameLength{kIso30Limit}, kJolietLength}) {
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i)
      names.push_back(i % 3 == 0   ? "REPORT.PDF"
                      : i % 3 == 1 ? "A.TXT"
                                   : "REPOR_" + std::to_string(i % 40) + ".PDF");
    names.insert(names.end(), {"A_1_2.TXT", "REPORT.PDF"});

    std::set<std::string> naiveTaken;
    std::vector<std::string> naive;
    for (std::string name : names) {
      int counter = 1;
      while (!naiveTaken.insert(name).second) ResolveCollision(name, counter++, limit);
      naive.push_back(name);
    }

    std::set<std::string> taken;
    CollisionResolver resolver(limit);
    std::vector<std::string> bulk;
    for (std::string name : names) {
      if (!taken.insert(name).second) {
        resolver.Resolve(name, [&](const std::string& n) { return taken.contains(n); });
        taken.insert(name);
      }
      bulk.push_back(name);
    }
    EXPECT_EQ(bulk, naive) << "limit " << limit.limit;
  }
}

TEST(Utf16Conversion, ValidAndInvalidUtf8) {
  const std::pair<const char*, std::u16string_view> cases[] = {
      {"Data", u"Data"},
      {"Gr\u00FC\u00DFe", u"Grüße"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      // Stray, truncated, overlong and surrogate sequences: one Latin-1 character per byte.
      {"a\xFF", u"a\u00FF"},
      {"\xE6\x97", u"\u00E6\u0097"},
      {"\xC0\xAF", u"\u00C0\u00AF"},
      {"\xED\xA0\x80", u"\u00ED\u00A0\u0080"},
  };
  for (const auto& [utf8, utf16] : cases) EXPECT_EQ(ToUtf16Be(utf8), test::Utf16Be(utf16)) << utf8;
  EXPECT_EQ(Utf16Units("\xF0\x9F\x98\x80!"), 3u);
  // A cut by code units never leaves half a surrogate pair.
  EXPECT_EQ(ToUtf16Be("ab\xF0\x9F\x98\x80", 3), test::Utf16Be(u"ab"));
  EXPECT_EQ(Utf8PrefixLength("ab\xF0\x9F\x98\x80", 5), 2u);
  EXPECT_EQ(Utf8PrefixLength("ab\xFF\xFF", 3), 3u);
}

}  // namespace
}  // namespace brenmark::datadisc
