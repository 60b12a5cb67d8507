// "~" in a folder field is the home folder, as in a shell; only at the start.
#include <gtest/gtest.h>

#include "shell/desktop/HomeFolder.h"

namespace brenmark::desktop {
namespace {

TEST(ExpandHome, ALeadingTildeIsTheHomeFolder) {
  const struct {
    std::string typed, home, expanded;
  } cases[] = {
      {"~", "/home/ann", "/home/ann"},
      {"~/music", "/home/ann", "/home/ann/music"},
      {"~bob/music", "/home/ann", "~bob/music"},
      {"/srv/~/x", "/home/ann", "/srv/~/x"},
      {"~/music", "", "~/music"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandHome(c.typed, c.home), c.expanded) << c.typed;
}

}  // namespace
}  // namespace brenmark::desktop
