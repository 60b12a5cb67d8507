#include <gtest/gtest.h>

#include "shell/cli/PathLine.h"

namespace brenmark::cli {
namespace {

TEST(PathLine, OrdinaryPathsStayAsTheyAreEvenWithSpacesBackslashesAndNonAsciiNames) {
  EXPECT_EQ(PathLine("/home/u/burned discs/virtual-cd-1.cue"), "/home/u/burned discs/virtual-cd-1.cue");
  EXPECT_EQ(PathLine("/tmp/a\\b \"quoted\".wav"), "/tmp/a\\b \"quoted\".wav");
  EXPECT_EQ(PathLine("/tmp/Grüße/トラック01.wav"), "/tmp/Grüße/トラック01.wav");
}

TEST(PathLine, PathsThatWouldBreakOneLinePerPathAreQuotedWithEscapes) {
  EXPECT_EQ(PathLine("/tmp/a\nb/track01.wav"), "\"/tmp/a\\nb/track01.wav\"");
  EXPECT_EQ(PathLine("/tmp/x\r\ty\x1b.cue"), "\"/tmp/x\\r\\ty\\x1B.cue\"");
  // Once quoted, the quote and the backslash themselves must be escaped too.
  EXPECT_EQ(PathLine("/tmp/\"a\\\n"), "\"/tmp/\\\"a\\\\\\n\"");
  // A path that starts with a quote would read as a quoted one.
  EXPECT_EQ(PathLine("\"x.wav"), "\"\\\"x.wav\"");
}

// Messages keep their lines; no control sequence of a name reaches the terminal.
TEST(PathLine, TerminalTextShowsControlCharactersOtherThanLineBreaksAndTabs) {
  const struct {
    std::string text;
    std::string shown;
  } cases[] = {
      {"Not WAV file:\n/tmp/a\tb.wav", "Not WAV file:\n/tmp/a\tb.wav"},
      {"/tmp/\x1b]0;title\x07x.wav", "/tmp/\\x1B]0;title\\x07x.wav"},
      {"/tmp/\x1b[2Jy\r\x7f", "/tmp/\\x1B[2Jy\\x0D\\x7F"},
      {"Grüße \"x\" \\", "Grüße \"x\" \\"},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalText(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace brenmark::cli
