// Sessions appended to a CD left open: each new session holds the files of
// the ones before, as the independent tools see the last session.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>

#include "bytes/ByteOrder.h"
#include "jobs/burn/AudioCdJob.h"
#include "jobs/burn/BurnSequence.h"
#include "tests/audio/WavBytes.h"
#include "tests/endtoend/ExposeRun.h"
#include "tests/endtoend/VirtualBench.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::SizeIs;

constexpr std::size_t kSector = 2048;

// The user data of a finished CD by block address, seen as a drive mounting
// its last session sees it: the last session's descriptors copied to block 16,
// so that tools without a session option read that session.
fs::path LastSessionView(const fs::path& cue, const fs::path& folder) {
  // A DVD's image is its user data already.
  fs::path flat = cue;
  if (cue.extension() != ".iso") {
    flat = folder / "flat.iso";
    ExtractMode1UserData(BinOf(cue), flat);
  }
  std::string image = ReadWholeFile(flat);
  const auto start = static_cast<std::size_t>(LastSessionStart(flat));
  image.replace(16 * kSector, 3 * kSector, image, (start + 16) * kSector, 3 * kSector);
  const fs::path view = folder / "last-session.iso";
  std::ofstream(view, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
  return view;
}

// xorriso extracts exactly the files of `expected`, with their bytes; isoinfo
// lists the same files in the Joliet tree; isovfy finds nothing wrong.
void ExpectDiscHolds(const fs::path& cue, const fs::path& expected) {
  ScratchFolder work("appended-check");
  const fs::path view = LastSessionView(cue, work.path());

  const fs::path extracted = work.path() / "extracted";
  const auto extract = ExtractImage(view, 0, extracted);
  ASSERT_EQ(extract.exitStatus, 0) << extract.err;
  ExpectSameFiles(expected, extracted);

  // isoinfo writes Joliet names in Latin-1, files with their ";1".
  const auto joliet = RunProgram({"isoinfo", "-J", "-j", "iso8859-1", "-f", "-i", view.string()});
  ASSERT_EQ(joliet.exitStatus, 0) << joliet.err;
  std::vector<std::string> jolietFiles;
  for (const std::string& line : Lines(joliet.out)) {
    if (!line.ends_with(";1")) continue;
    std::string name;
    for (const unsigned char c : line.substr(1, line.size() - 3)) {
      if (c < 0x80) {
        name += static_cast<char>(c);
      } else {
        name += static_cast<char>(0xC0 | (c >> 6));
        name += static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    jolietFiles.push_back(name);
  }
  std::sort(jolietFiles.begin(), jolietFiles.end());
  std::vector<std::string> files;
  for (const fs::path& file : ListFiles(expected)) files.push_back(file.generic_string());
  EXPECT_EQ(jolietFiles, files);

  const auto verify = RunProgram({"isovfy", view.string()});
  EXPECT_THAT(verify.out, HasSubstr("No errors found")) << verify.out << verify.err;
}

// Burns `folder` as a data CD on the bench's CD recorder, left open if asked.
JobEnd BurnDataCd(VirtualBench& bench, const fs::path& folder, std::uint8_t multiSession = 0) {
  return bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(folder), multiSession).result;
}

TEST(AppendedSessions, ThreeSessionsThroughTheCliEachHoldingEveryFileSoFar) {
  struct Session {
    const char* folder;  // the burned folder, a folder of the disc
    std::vector<std::pair<const char*, std::uint64_t>> files;
  };
  const Session sessions[] = {
      {"Photos", {{"beach.jpg", 300000}, {"notes.txt", 100}, {"2024/Grüße.txt", 32769}}},
      {"Documents", {{"letter.txt", 5000}, {"empty.dat", 0}}},
      {"Photos", {{"notes.txt", 777}, {"2024/more.bin", 70000}}},  // replaces the first session's notes
  };
  ScratchFolder discs("appended-discs");
  ScratchFolder sources("appended-sources");
  ScratchFolder expected("appended-expected");  // the tree so far
  std::uint32_t seed = 0;
  fs::path previous;
  std::string lastErr;
  for (const Session& session : sessions) {
    const fs::path folder = sources.path() / std::to_string(seed) / session.folder;
    for (const auto& [path, size] : session.files) {
      WritePatternFile(folder / path, size, ++seed);
      WritePatternFile(expected.path() / session.folder / path, size, seed);
    }
    if (!previous.empty()) {
      ASSERT_EQ(Cli(discs.path(), {"--drive", "virtual-cd", "tray", "insert", previous.string()}).exitStatus, 0);
    }
    const auto burn = Cli(discs.path(), {"--drive", "virtual-cd", "burn-cd", "--multisession", folder.string()});
    ASSERT_EQ(burn.exitStatus, 0) << burn.err;
    ASSERT_THAT(Lines(burn.out), SizeIs(1));
    previous = Lines(burn.out)[0];
    lastErr = burn.err;
    ExpectDiscHolds(previous, expected.path());
  }
  EXPECT_THAT(lastErr, HasSubstr("7 entries of the previous session imported."));
  EXPECT_THAT(lastErr, HasSubstr("Replaced by the new file: /Photos/notes.txt"));

  ASSERT_EQ(Cli(discs.path(), {"--drive", "virtual-cd", "tray", "insert", previous.string()}).exitStatus, 0);
  const auto info = Cli(discs.path(), {"--drive", "virtual-cd", "disc-info"});
  EXPECT_THAT(info.out, HasSubstr("Sessions - 4"));
  EXPECT_THAT(info.out, HasSubstr("Incomplete Disc"));
}

// A DVD left open takes another session: DVD-R and DVD+R incrementally,
// DVD+RW by growing its file system in place. The second session holds the
// files of both, and the disc report names the medium.
TEST(AppendedSessions, ADvdLeftOpenTakesASecondSessionOnEachRecordableKind) {
  const struct {
    const char* medium;
    const char* named;
  } cases[] = {{"dvd-r", "Medium - DVD-R (sequential, open)"},
               {"dvd+r", "Medium - DVD+R (open)"},
               {"dvd+rw", "Medium - DVD+RW (formatted)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.medium);
    ScratchFolder discs("appended-dvd-discs");
    ScratchFolder sources("appended-dvd-sources");
    ScratchFolder expected("appended-dvd-expected");
    ASSERT_EQ(Cli(discs.path(), {"--drive", "virtual-dvd", "tray", "blank", c.medium}).exitStatus, 0);
    fs::path previous;
    for (std::uint32_t session = 1; session <= 2; ++session) {
      const std::string name = "Session" + std::to_string(session);
      const fs::path folder = sources.path() / name;
      WritePatternFile(folder / "file.bin", 40000 * session, session);
      WritePatternFile(expected.path() / name / "file.bin", 40000 * session, session);
      if (!previous.empty()) {
        ASSERT_EQ(Cli(discs.path(), {"--drive", "virtual-dvd", "tray", "insert", previous.string()}).exitStatus, 0);
      }
      const auto burn = Cli(discs.path(), {"--drive", "virtual-dvd", "burn-dvd", "--multisession", folder.string()});
      ASSERT_EQ(burn.exitStatus, 0) << burn.err;
      EXPECT_THAT(burn.err, Not(HasSubstr(datajobtext::kDvdClosed)));
      previous = Lines(burn.out).at(0);
    }
    ExpectDiscHolds(previous, expected.path());
    ASSERT_EQ(Cli(discs.path(), {"--drive", "virtual-dvd", "tray", "insert", previous.string()}).exitStatus, 0);
    EXPECT_THAT(Cli(discs.path(), {"--drive", "virtual-dvd", "disc-info"}).out, HasSubstr(c.named));
  }
}

// A written, closed CD-RW or DVD-RW: refused when the user says no, blanked
// first with --blank fast, after which the disc holds the new files alone.
TEST(AppendedSessions, AWrittenRewritableDiscIsBlankedWhenAllowed) {
  const struct {
    const char* medium;
    const char* command;
    const char* recorder;
  } cases[] = {{"cd-rw", "burn-cd", "virtual-cd"}, {"dvd-rw", "burn-dvd", "virtual-dvd"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.medium);
    ScratchFolder discs("blank-rewritable-discs");
    ScratchFolder sources("blank-rewritable-sources");
    ScratchFolder expected("blank-rewritable-expected");
    WritePatternFile(sources.path() / "First" / "old.bin", 30000, 1);
    WritePatternFile(sources.path() / "Second" / "new.bin", 20000, 2);
    WritePatternFile(expected.path() / "Second" / "new.bin", 20000, 2);
    ASSERT_EQ(Cli(discs.path(), {"--drive", c.recorder, "tray", "blank", c.medium}).exitStatus, 0);
    const auto first = Cli(discs.path(), {"--drive", c.recorder, c.command, (sources.path() / "First").string()});
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    const std::string written = Lines(first.out).at(0);

    ASSERT_EQ(Cli(discs.path(), {"--drive", c.recorder, "tray", "insert", written}).exitStatus, 0);
    const auto refused =
        Cli(discs.path(), {"--no", "--drive", c.recorder, c.command, (sources.path() / "Second").string()});
    EXPECT_NE(refused.exitStatus, 0);
    EXPECT_THAT(refused.err, HasSubstr(burntext::kBlankQuestion));

    const auto blanked = Cli(discs.path(), {"--drive", c.recorder, c.command, "--blank", "fast",
                                            (sources.path() / "Second").string()});
    ASSERT_EQ(blanked.exitStatus, 0) << blanked.err;
    ExpectDiscHolds(Lines(blanked.out).at(0), expected.path());
  }
}

TEST(AppendedSessions, AnAudioSessionIsNotImportedOnceTheUserAgrees) {
  ScratchFolder folder("appended-audio");
  const fs::path wav = folder.path() / "tone.wav";
  audio::test::WriteBytes(wav, audio::test::CanonicalWav(audio::test::Samples(4 * 588 * 300, 1)));
  WritePatternFile(folder.path() / "Data" / "file.txt", 3000, 2);

  VirtualBench bench(/*answerYes=*/true);
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);
  ASSERT_EQ(bench.BurnFiles(AudioCdJob, VirtualBench::kCdDrive, {wav.string()}, /*multiSession=*/1).result, JobEnd::Done);
  ASSERT_TRUE(recorder.InsertImage(bench.finishedImages().at(0)).ok);
  ASSERT_EQ(BurnDataCd(bench, folder.path() / "Data"), JobEnd::Done);
  ASSERT_THAT(bench.prompt.questions(), SizeIs(1));
  EXPECT_THAT(bench.prompt.questions()[0], HasSubstr("its last session holds audio"));

  ScratchFolder expected("appended-audio-expected");
  WritePatternFile(expected.path() / "Data" / "file.txt", 3000, 2);
  ExpectDiscHolds(bench.finishedImages().at(1), expected.path());
}

TEST(AppendedSessions, ADamagedPreviousDirectoryStopsBeforeWritingWhenTheUserSaysNo) {
  ScratchFolder folder("appended-damaged");
  WritePatternFile(folder.path() / "First" / "a.txt", 3000, 1);
  WritePatternFile(folder.path() / "Second" / "b.txt", 3000, 2);
  VirtualBench bench;
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);
  ASSERT_EQ(BurnDataCd(bench, folder.path() / "First", 1), JobEnd::Done);
  ASSERT_TRUE(recorder.InsertImage(bench.finishedImages().at(0)).ok);
  bench.trace->Clear();
  // Blocks 16-18 descriptors, 19-22 path tables, 23-24 ISO 9660 directories,
  // 25 the Joliet root, 26 the Joliet directory First.
  recorder.ArmFault(*virtualdrive::ParseFaultSpec("READCD:from=26:always").spec);

  EXPECT_EQ(BurnDataCd(bench, folder.path() / "Second"), JobEnd::PreviousSessionRefused);
  ASSERT_THAT(bench.prompt.questions(), SizeIs(2));
  EXPECT_EQ(bench.prompt.questions()[0], "Error reading sector 26.\nTry again?");
  EXPECT_THAT(bench.prompt.questions()[1], HasSubstr("its last session could not be read (block 26)"));
  EXPECT_THAT(Writes(bench.commands(recorder)), SizeIs(0));
}

// More sessions than the first 1200 bytes of the table of contents describe:
// a burned session, 22 of one block, then a copy of the burned one whose
// directories point back into it. The last session is the one imported.
TEST(AppendedSessions, TheLastOfManySessionsIsImported) {
  ScratchFolder folder("appended-many");
  WritePatternFile(folder.path() / "First" / "a.txt", 3000, 1);
  WritePatternFile(folder.path() / "Second" / "b.txt", 3000, 2);
  VirtualBench bench;
  ASSERT_EQ(BurnDataCd(bench, folder.path() / "First", 1), JobEnd::Done);
  const std::string first = ReadWholeFile(BinOf(bench.finishedImages().at(0)));
  const auto blocks = static_cast<std::int32_t>(first.size() / 2352);
  std::string tracks;
  std::string sessions;
  const auto add = [&](int number, std::int32_t start, std::int32_t end) {
    const std::string n = std::to_string(number);
    tracks += "track " + n + " " + n + " mode1 " + std::to_string(start) + " " + std::to_string(start) + " " +
              std::to_string(end) + " 0 1\n";
    sessions += "session " + n + " " + std::to_string(end) + " 1 0\n";
  };
  add(1, 0, blocks);
  for (int number = 2; number < 24; ++number) add(number, blocks + number - 2, blocks + number - 1);
  add(24, blocks + 22, 2 * blocks + 22);
  std::string copy = first;  // its volume now reaches to its own end
  bytes::WriteBoth32(reinterpret_cast<std::uint8_t*>(copy.data()) + 16 * 2352 + 16 + 80,
                     static_cast<std::uint32_t>(2 * blocks + 22));
  const fs::path cue = folder.path() / "many.cue";
  std::ofstream(cue) << "FILE \"many.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n";
  std::ofstream(folder.path() / "many.state") << "brenmark-disc 1\nmedium CD-R\nfinalized 0\nreserved 0\n"
                                              << sessions << tracks;
  std::ofstream(folder.path() / "many.bin", std::ios::binary) << first << std::string(22 * 2352, '\0') << copy;
  const auto inserted = bench.recorder(VirtualBench::kCdDrive).InsertImage(cue);
  ASSERT_TRUE(inserted.ok) << inserted.message;

  ASSERT_EQ(BurnDataCd(bench, folder.path() / "Second"), JobEnd::Done);
  EXPECT_THAT(bench.prompt.texts(), Contains(HasSubstr("2 entries of the previous session imported.")));
}

}  // namespace
}  // namespace brenmark::endtoend
