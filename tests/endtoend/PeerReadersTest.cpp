// Reading programs written against real drives, on the exposed CD recorder:
// the rippers (through SG_IO, or the CD-ROM driver's packets) grab exactly the
// samples our own grab writes, whoever burned the disc; isoinfo (SCSI
// commands) and cmp (plain reads of the node) find the data our burn wrote;
// cd-info lists the tracks and the last session where the disc has them.
// Every run has a time limit, so a reader waiting for an answer that never
// comes fails the test instead of hanging it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "tests/audio/WavBytes.h"
#include "tests/endtoend/ExposeRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kWavHeader = 44;  // what both our grab and the rippers write before the samples
constexpr std::int32_t kRunOutBlocks = 2;
constexpr std::int32_t kFirstSessionGap = 11400;

// `command` on the exposed recorders, run in `folder` and stopped after two minutes.
ProcessOutput Read(const fs::path& data, const fs::path& folder, const std::string& command) {
  return Expose(data, {}, {}, {"sh", "-c", "cd '" + folder.string() + "' && exec timeout 120 " + command});
}

std::string Pcm(const fs::path& wav) {
  const std::string bytes = ReadWholeFile(wav);
  return bytes.size() < kWavHeader ? std::string() : bytes.substr(kWavHeader);
}

// The start of track `number` in a cue sheet (INDEX 01, no 150-block offset).
std::int32_t CueTrackStart(const fs::path& cue, int number) {
  const std::string text = ReadWholeFile(cue);
  char track[16];
  std::snprintf(track, sizeof track, "TRACK %02d", number);
  std::smatch time;
  const std::string after = text.substr(std::min(text.find(track), text.size()));
  if (!std::regex_search(after, time, std::regex("INDEX 01 (\\d+):(\\d+):(\\d+)"))) return -1;
  return (std::stoi(time[1]) * 60 + std::stoi(time[2])) * 75 + std::stoi(time[3]);
}

// The LSN cd-info lists for track `number`, or -1.
std::int32_t CdInfoTrackStart(const std::string& listing, int number, const std::string& kind) {
  std::smatch found;
  const std::regex line("\\n *" + std::to_string(number) + ": [0-9:]+ +([0-9]+) " + kind);
  return std::regex_search(listing, found, line) ? std::stoi(found[1]) : -1;
}

fs::path KeptImage(const fs::path& data) {
  const ProcessOutput eject = Cli(data, {"--drive", "virtual-cd", "tray", "eject"});
  EXPECT_EQ(eject.exitStatus, 0) << eject.err;
  return NewestImage(data, ".cue");
}

// Who burns the audio disc the readers read.
enum class AudioBurner { Ours, Cdrskin };

class PeerAudioReaders : public ::testing::TestWithParam<AudioBurner> {};

// Two tracks, the first ending inside a sector, burned by us or by cdrskin
// (track at once); cd-info lists them where the disc has them; cd-paranoia
// and cdparanoia rip every sample our grab writes, and those are the sources
// followed by silence (the rest of the last sector, the run-out, and on the
// first track the pregap of the next, which rippers count with it).
TEST_P(PeerAudioReaders, RippersGrabExactlyWhatOurGrabWrites) {
  ScratchFolder data("peer-readers-audio");
  ScratchFolder work("peer-readers-audio-work");
  const std::vector<std::string> samples = {audio::test::Samples(4 * 44100 * 4 + 1234 * 4, 11),
                                            audio::test::Samples(5 * 44100 * 4, 12)};
  std::vector<std::string> wavs;
  for (std::size_t index = 0; index < samples.size(); ++index) {
    const fs::path wav = work.path() / ("source" + std::to_string(index + 1) + ".wav");
    audio::test::WriteBytes(wav, audio::test::CanonicalWav(samples[index]));
    wavs.push_back(wav.string());
  }
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank"}).exitStatus, 0);
  std::vector<std::string> burn = {"--drive", "virtual-cd", "burn-audio"};
  if (GetParam() == AudioBurner::Cdrskin) burn = {"expose", "--", "timeout", "120", "cdrskin", "dev=/dev/sr90", "-tao", "-audio"};
  burn.insert(burn.end(), wavs.begin(), wavs.end());
  const ProcessOutput burned = Cli(data.path(), burn);
  ASSERT_EQ(burned.exitStatus, 0) << burned.out << burned.err;
  const fs::path cue = KeptImage(data.path());
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", cue.string()}).exitStatus, 0);

  const ProcessOutput info = Read(data.path(), work.path(), "cd-info --no-header --no-cddb /dev/sr90");
  ASSERT_EQ(info.exitStatus, 0) << info.out << info.err;
  EXPECT_EQ(CdInfoTrackStart(info.out, 1, "audio"), 0) << info.out;
  EXPECT_EQ(CdInfoTrackStart(info.out, 2, "audio"), CueTrackStart(cue, 2)) << info.out;

  const std::vector<std::string> folders = {"grab", "cd-paranoia", "cdparanoia"};
  for (const std::string& folder : folders) fs::create_directories(work.path() / folder);
  const ProcessOutput grab = Cli(data.path(), {"--drive", "virtual-cd", "grab", (work.path() / "grab").string()});
  ASSERT_EQ(grab.exitStatus, 0) << grab.err;
  const ProcessOutput libcdio = Read(data.path(), work.path() / "cd-paranoia", "cd-paranoia -d /dev/sr90 -B");
  EXPECT_EQ(libcdio.exitStatus, 0) << libcdio.err;
  const ProcessOutput ripped = Read(data.path(), work.path() / "cdparanoia", "cdparanoia -d /dev/sr90 -B");
  EXPECT_EQ(ripped.exitStatus, 0) << ripped.err;

  for (std::size_t index = 0; index < samples.size(); ++index) {
    const std::string number = "track0" + std::to_string(index + 1);
    const std::string ours = Pcm(work.path() / "grab" / (number + ".wav"));
    ASSERT_GE(ours.size(), samples[index].size()) << number;
    EXPECT_TRUE(ours.compare(0, samples[index].size(), samples[index]) == 0) << number;
    EXPECT_TRUE(std::all_of(ours.begin() + static_cast<std::ptrdiff_t>(samples[index].size()), ours.end(),
                            [](char byte) { return byte == 0; }))
        << number;
    EXPECT_TRUE(Pcm(work.path() / "cd-paranoia" / (number + ".cdda.wav")) == ours) << "cd-paranoia " << number;
    EXPECT_TRUE(Pcm(work.path() / "cdparanoia" / (number + ".cdda.wav")) == ours) << "cdparanoia " << number;
  }
}

INSTANTIATE_TEST_SUITE_P(BurnedBy, PeerAudioReaders, ::testing::Values(AudioBurner::Ours, AudioBurner::Cdrskin),
                         [](const auto& info) { return info.param == AudioBurner::Ours ? "Us" : "Cdrskin"; });

// A data CD of two sessions burned by us: cd-info lists both tracks and the
// last session's start (the driver's multisession answer); isoinfo reads each
// session's files through SCSI commands; cmp reads the node plainly and finds
// each track's user data, up to the run-out, where the read fails as on a
// real drive; writing the node fails.
TEST(PeerDataReaders, TwoSessionsOfOurBurnReadByteForByte) {
  ScratchFolder data("peer-readers-data");
  ScratchFolder work("peer-readers-data-work");
  const fs::path first = work.path() / "first";
  const fs::path second = work.path() / "second";
  WritePatternFile(first / "photo.bin", 250000, 21);
  WritePatternFile(second / "notes.bin", 70000, 22);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank"}).exitStatus, 0);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "burn-cd", "--multisession", first.string()}).exitStatus, 0);
  const fs::path open = NewestImage(data.path(), ".cue");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", open.string()}).exitStatus, 0);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "burn-cd", second.string()}).exitStatus, 0);
  const fs::path cue = KeptImage(data.path());
  const fs::path flat = work.path() / "flat.iso";
  ExtractMode1UserData(BinOf(cue), flat);
  const std::int32_t last = LastSessionStart(flat);
  ASSERT_GT(last, kFirstSessionGap);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", cue.string()}).exitStatus, 0);

  const ProcessOutput info = Read(data.path(), work.path(), "cd-info --no-header --no-cddb --no-analyze /dev/sr90");
  ASSERT_EQ(info.exitStatus, 0) << info.out << info.err;
  EXPECT_EQ(CdInfoTrackStart(info.out, 1, "data"), 0) << info.out;
  EXPECT_EQ(CdInfoTrackStart(info.out, 2, "data"), last) << info.out;
  EXPECT_THAT(info.out, ::testing::HasSubstr("Last CD Session LSN: " + std::to_string(last) + "\n"));

  const auto isoinfo = [&](std::int32_t session, const std::string& path) {
    return Read(data.path(), work.path(),
                "isoinfo -i /dev/sr90 -T " + std::to_string(session) + " -x '" + path + ";1'")
        .out;
  };
  EXPECT_TRUE(isoinfo(0, "/FIRST/PHOTO.BIN") == ReadWholeFile(first / "photo.bin"));
  EXPECT_TRUE(isoinfo(last, "/SECOND/NOTES.BIN") == ReadWholeFile(second / "notes.bin"));

  // The node cannot be written: the disc is written with commands only.
  const ProcessOutput written =
      Read(data.path(), work.path(), "dd if=" + (first / "photo.bin").string() + " of=/dev/sr90 conv=notrunc");
  EXPECT_NE(written.exitStatus, 0) << written.err;

  const std::int32_t firstTrack = last - kFirstSessionGap - kRunOutBlocks;
  const std::string flatPath = flat.string();
  const ProcessOutput sessionOne =
      Read(data.path(), work.path(), "cmp -n " + std::to_string(firstTrack * 2048) + " /dev/sr90 " + flatPath);
  EXPECT_EQ(sessionOne.exitStatus, 0) << sessionOne.out << sessionOne.err;
  const ProcessOutput runOut = Read(data.path(), work.path(),
                                    "cmp -n " + std::to_string((firstTrack + 1) * 2048) + " /dev/sr90 " + flatPath);
  EXPECT_EQ(runOut.exitStatus, 2) << runOut.out;  // the read failed, not a difference
  const std::int32_t lastTrack = CdInfoTrackStart(info.out, 170, "leadout") - last - kRunOutBlocks;
  ASSERT_GT(lastTrack, 0) << info.out;
  const ProcessOutput sessionTwo =
      Read(data.path(), work.path(),
           "cmp -i " + std::to_string(last * 2048) + " -n " + std::to_string(lastTrack * 2048) + " /dev/sr90 " + flatPath);
  EXPECT_EQ(sessionTwo.exitStatus, 0) << sessionTwo.out << sessionTwo.err;
}

}  // namespace
}  // namespace brenmark::endtoend
