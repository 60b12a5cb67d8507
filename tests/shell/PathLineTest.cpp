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

}  // namespace
}  // namespace brenmark::cli
