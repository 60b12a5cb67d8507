#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "datadisc/CollisionResolver.h"
#include "datadisc/Names.h"
#include "datadisc/Utf16.h"
#include "tests/datadisc/DataDiscTestSupport.h"

namespace brenmark::datadisc {
namespace {

std::string Iso83(std::string name) {
  MakeIso83Name(name);
  return name;
}
std::string Iso30(std::string name) {
  MakeIso30Name(name);
  return name;
}
std::string Joliet(std::string name) {
  MakeJolietName(name);
  return name;
}
std::string Collide(std::string name, int counter, std::size_t limit) {
  ResolveCollision(name, counter, limit);
  return name;
}

TEST(NameRules, IsoTables) {
  struct Row {
    const char* name;
    const char* iso83;
    const char* iso30;
  };
  const Row rows[] = {
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
  for (const Row& row : rows) {
    EXPECT_EQ(Iso83(row.name), row.iso83) << row.name;
    EXPECT_EQ(Iso30(row.name), row.iso30) << row.name;
  }
  // Longer than 30: the text from the last dot is kept.
  EXPECT_EQ(Iso30("a very long name of a document.backup.txt"), "A_VERY_LONG_NAME_OF_A_DOCU.TXT");
  EXPECT_EQ(Iso30(std::string(40, 'q')), std::string(30, 'Q'));
}

TEST(NameRules, JolietCutsKeepExtensionAndCharacters) {
  const std::string long76 = std::string(72, 'n') + ".doc";
  EXPECT_EQ(Joliet(long76), std::string(58, 'n') + ".doc");
  const std::string exactly62 = std::string(58, 'n') + ".doc";
  EXPECT_EQ(Joliet(exactly62), exactly62);
  EXPECT_EQ(Joliet(std::string(70, 'n')), std::string(62, 'n'));

  // 57 ASCII bytes then three-byte characters: the cut at 58 would split one.
  const std::string cjk = std::string(57, 'x') + "\xE6\x97\xA5\xE6\x9C\xAC.txt";
  EXPECT_EQ(Joliet(cjk), std::string(57, 'x') + ".txt");
  // An extension as long as the limit leaves no room: the name's start is kept.
  const std::string hugeExtension = "ab." + std::string(70, 'e');
  EXPECT_EQ(Joliet(hugeExtension), hugeExtension.substr(0, 62));
}

TEST(NameRules, SortOrder) {
  EXPECT_LT(CompareNames("ABC", "ABCD"), 0);
  EXPECT_GT(CompareNames("AB_", "ABa"), 0);
  EXPECT_LT(CompareNames("ABa", "AB_"), 0);
  EXPECT_LT(CompareNames("README", "readme"), 0);
  EXPECT_LT(CompareNames("\xC3\xA9", "A"), 0);
  EXPECT_LT(CompareNames("\xC3\xA9", "_"), 0);
  EXPECT_EQ(CompareNames("same", "same"), 0);
  EXPECT_LT(CompareNames("Sub", "readme.txt"), 0);
  EXPECT_TRUE(NameOrder()("Z", "_"));
  EXPECT_FALSE(NameOrder()("_", "Z"));
}

TEST(NameRules, CollisionChains) {
  // Read me.txt and Read_me.txt both give READ_ME.TXT in ISO-only mode.
  EXPECT_EQ(Collide("READ_ME.TXT", 1, kIso83Limit), "READ_M_1.TXT");
  EXPECT_EQ(Collide("READ_M_1.TXT", 2, kIso83Limit), "READ_M_2.TXT");
  EXPECT_EQ(Collide("A.TXT", 1, kIso83Limit), "A_1.TXT");
  EXPECT_EQ(Collide("A_1.TXT", 2, kIso83Limit), "A_1_2.TXT");
  EXPECT_EQ(Collide("my.file.name.txt", 1, kJolietLimit), "my_1.txt");
  EXPECT_EQ(Collide("noext", 12, kJolietLimit), "noext_12");
  // A cut in Joliet mode keeps characters whole.
  std::string accented;
  for (int i = 0; i < 29; ++i) accented += "\xC3\xA9";  // 58 bytes
  EXPECT_EQ(Collide("x" + accented + ".txt", 1, kJolietLimit),
            "x" + accented.substr(0, 54) + "_1.txt");
  // No room even for an empty base: the extension gives way, within the limit.
  const std::string renamed = Collide("." + std::string(29, 'E'), 1, kIso30Limit);
  EXPECT_EQ(renamed, "_1." + std::string(27, 'E'));
}

// Resolving many equal names at once must give what resolving them one by
// one, each walking its counters from 1, gives.
TEST(NameRules, BulkCollisionsMatchOneByOne) {
  for (std::size_t limit : {kIso83Limit, kIso30Limit, kJolietLimit}) {
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) {
      names.push_back(i % 3 == 0
                          ? "REPORT.PDF"
                          : (i % 3 == 1 ? "A.TXT" : "REPOR_" + std::to_string(i % 40) + ".PDF"));
    }
    names.push_back("A_1_2.TXT");
    names.push_back("REPORT.PDF");

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
    EXPECT_EQ(bulk, naive) << "limit " << limit;
  }
}

TEST(Utf16Conversion, ValidAndInvalidUtf8) {
  EXPECT_EQ(ToUtf16Be("Data"), test::Utf16Be(u"Data"));
  EXPECT_EQ(ToUtf16Be("Gr\xC3\xBC\xC3\x9F"
                      "e"),
            test::Utf16Be(u"Grüße"));
  EXPECT_EQ(ToUtf16Be("\xF0\x9F\x98\x80"), test::Utf16Be(u"\U0001F600"));
  EXPECT_EQ(Utf16Units("\xF0\x9F\x98\x80!"), 3u);
  // Stray, truncated, overlong and surrogate sequences: one Latin-1 character per byte.
  EXPECT_EQ(ToUtf16Be("a\xFF"), test::Utf16Be(u"a\u00FF"));
  EXPECT_EQ(ToUtf16Be("\xE6\x97"), test::Utf16Be(u"\u00E6\u0097"));
  EXPECT_EQ(ToUtf16Be("\xC0\xAF"), test::Utf16Be(u"\u00C0\u00AF"));
  EXPECT_EQ(ToUtf16Be("\xED\xA0\x80"), test::Utf16Be(u"\u00ED\u00A0\u0080"));
  // A cut by code units never leaves half a surrogate pair.
  EXPECT_EQ(ToUtf16Be("ab\xF0\x9F\x98\x80", 3), test::Utf16Be(u"ab"));
  EXPECT_EQ(Utf8PrefixLength("ab\xF0\x9F\x98\x80", 5), 2u);
  EXPECT_EQ(Utf8PrefixLength("ab\xFF\xFF", 3), 3u);
}

}  // namespace
}  // namespace brenmark::datadisc
