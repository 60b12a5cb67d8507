// Where a program finds the MP3 encoder library: beside itself in the build
// tree, in lib/brenmark/ of an installed tree. That the installed programs
// really load it is checked by the installation test (tests/gui).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "audio/Mp3EncoderLibrary.h"
#include "tests/support/TempFolder.h"

namespace brenmark::mp3 {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file).put('\0');
}

TEST(EncoderLibraryPathTest, PrefersACopyBesideTheProgramThenTheInstalledOne) {
  testsupport::TempFolder prefix("encoder-path");
  const auto bin = prefix.path() / "bin";
  const auto beside = bin / kEncoderLibraryName;
  const auto installed = prefix.path() / "lib" / "brenmark" / kEncoderLibraryName;
  fs::create_directories(bin);
  // A library straight in lib/ belongs to no one in particular: not taken.
  Touch(prefix.path() / "lib" / kEncoderLibraryName);

  // Neither exists: the path beside the program, which the error then concerns.
  EXPECT_EQ(DefaultEncoderLibraryPath(bin), beside);

  Touch(installed);
  EXPECT_EQ(DefaultEncoderLibraryPath(bin), installed);

  Touch(beside);
  EXPECT_EQ(DefaultEncoderLibraryPath(bin), beside);
}

}  // namespace
}  // namespace brenmark::mp3
