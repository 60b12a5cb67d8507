// Reading programs written against real drives, on the exposed CD recorder:
// the rippers (through SG_IO, or the CD-ROM driver's packets) grab exactly the
// samples our own grab writes, whoever burned the disc; isoinfo (SCSI
// commands) and cmp (plain reads of the node) find the data our burn wrote;
// our own burns and grabs go through the device too (SG_IO on sr90); cd-info
// lists the tracks and the last session where the disc has them; xorriso
// loads the smallest sessions we burn.
// Every run has a time limit, so a reader waiting for an answer that never
// comes fails the test instead of hanging it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/endtoend/PeerRun.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;

// `command` on the exposed recorders, run in `folder` and stopped after two minutes.
ProcessOutput Read(const fs::path& data, const fs::path& folder, const std::string& command) {
  return Expose(data, {}, {}, {"sh", "-c", "cd '" + folder.string() + "' && exec timeout 120 " + command});
}

// The start of track `number` in a cue sheet (INDEX 01, no 150-block offset).
std::int32_t CueTrackStart(const fs::path& cue, int number) {
  const std::string time = CueIndex(cue, number, 1);
  if (time.empty()) return -1;
  return (std::stoi(time.substr(0, 2)) * 60 + std::stoi(time.substr(3, 2))) * 75 + std::stoi(time.substr(6, 2));
}

// The LSN cd-info lists for track `number`, or -1.
std::int32_t CdInfoTrackStart(const std::string& listing, int number, const std::string& kind) {
  std::smatch found;
  const std::regex line("\\n *" + std::to_string(number) + ": [0-9:]+ +([0-9]+) " + kind);
  return std::regex_search(listing, found, line) ? std::stoi(found[1]) : -1;
}

// Who burns the audio disc the readers read: brenmark-cli, or a peer program
// writing track at once or session at once (its command without the files;
// how its TOC lists an audio track).
struct AudioBurner {
  const char* name;
  std::vector<std::string> command;
  const char* tocTrack = "";
  friend void PrintTo(const AudioBurner& burner, std::ostream* out) { *out << burner.name; }
};

class PeerAudioReaders : public ::testing::TestWithParam<AudioBurner> {};

// Two tracks, the first ending inside a sector, the second on a sector's end.
// The burning peer lists both as audio in its TOC; bchunk and cd-info read
// them from the kept cue sheet, cd-info from the device where the disc has
// them; cd-paranoia and cdparanoia rip every sample our grab writes (through
// the device, as in this process), and those are the sources followed by
// silence (the rest of the last sector, the run-out, and on the first track
// the pregap of the next, which rippers count with it).
TEST_P(PeerAudioReaders, EveryReaderFindsEverySample) {
  ScratchFolder data("peer-readers-audio");
  ScratchFolder work("peer-readers-audio-work");
  const std::vector<std::string> samples = {audio::test::Samples(4 * 44100 * 4 + 1234 * 4, 11),
                                            audio::test::Samples(5 * 44100 * 4, 12)};
  const std::vector<std::string> wavs = WriteTakes(work.path(), samples);
  ASSERT_TRUE(LoadBlank(data.path(), "virtual-cd"));
  const bool ours = GetParam().command.empty();
  std::vector<std::string> burn = ours ? std::vector<std::string>{"--drive", "sr90", "burn-audio"} : GetParam().command;
  burn.insert(burn.end(), wavs.begin(), wavs.end());
  const ProcessOutput burned = ours ? ExposedCli(data.path(), burn) : Peer(data.path(), burn);
  ASSERT_EQ(burned.exitStatus, 0) << burned.out << burned.err;
  if (!ours) {
    const ProcessOutput toc = Peer(data.path(), {GetParam().command[0], "dev=/dev/sr90", "-toc"});
    ASSERT_EQ(toc.exitStatus, 0) << toc.err;
    EXPECT_EQ(CountMatches(toc.out, std::string("track: +[12] lba: .* ") + GetParam().tocTrack + "\n"), 2) << toc.out;
  }
  const fs::path cue = EjectedImage(data.path(), "virtual-cd", ".cue");
  const ProcessOutput listed =
      RunProgram({"cd-info", "--no-header", "--no-device-info", "--no-cddb", "--cue-file", cue.string()});
  EXPECT_EQ(CountMatches(listed.out, "\\n +[0-9]+: [0-9:]+ +[0-9]+ audio"), 2) << listed.out;
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", cue.string()}).exitStatus, 0);

  const ProcessOutput info = Read(data.path(), work.path(), "cd-info --no-header --no-cddb /dev/sr90");
  ASSERT_EQ(info.exitStatus, 0) << info.out << info.err;
  EXPECT_EQ(CdInfoTrackStart(info.out, 1, "audio"), 0) << info.out;
  EXPECT_EQ(CdInfoTrackStart(info.out, 2, "audio"), CueTrackStart(cue, 2)) << info.out;

  for (const char* folder : {"bchunk", "grab", "direct", "cd-paranoia", "cdparanoia"})
    fs::create_directories(work.path() / folder);
  ASSERT_EQ(RunProgram({"bchunk", "-w", BinOf(cue).string(), cue.string(), (work.path() / "bchunk" / "track").string()})
                .exitStatus,
            0);
  const ProcessOutput grab = ExposedCli(data.path(), {"--drive", "sr90", "grab", (work.path() / "grab").string()});
  ASSERT_EQ(grab.exitStatus, 0) << grab.err;
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "grab", (work.path() / "direct").string()}).exitStatus, 0);
  for (const char* ripper : {"cd-paranoia", "cdparanoia"}) {
    const ProcessOutput ripped = Read(data.path(), work.path() / ripper, std::string(ripper) + " -d /dev/sr90 -B");
    EXPECT_EQ(ripped.exitStatus, 0) << ripper << ripped.err;
  }

  for (std::size_t index = 0; index < samples.size(); ++index) {
    const std::string number = "track0" + std::to_string(index + 1);
    const auto take = [&](const char* reader, const char* suffix) {
      return WavSamples(work.path() / reader / (number + suffix));
    };
    const std::string grabbed = take("grab", ".wav");
    ExpectSamplesThenSilence(grabbed, samples[index], "grab " + number);
    ExpectSamplesThenSilence(take("bchunk", ".wav"), samples[index], "bchunk " + number);
    EXPECT_TRUE(take("direct", ".wav") == grabbed) << "grabbed in this process " << number;
    for (const char* ripper : {"cd-paranoia", "cdparanoia"})
      EXPECT_TRUE(take(ripper, ".cdda.wav") == grabbed) << ripper << " " << number;
  }
}

INSTANTIATE_TEST_SUITE_P(
    BurnedBy, PeerAudioReaders,
    ::testing::Values(AudioBurner{"Us", {}},
                      AudioBurner{"Cdrskin", {"cdrskin", "dev=/dev/sr90", "-tao", "-audio"}, "control: 0 mode: 0"},
                      AudioBurner{"Wodim", {"wodim", "dev=/dev/sr90", "gracetime=2", "-tao", "-pad", "-audio"},
                                  "control: 0 mode: -1"},
                      AudioBurner{"CdrskinAtOnce", {"cdrskin", "dev=/dev/sr90", "-sao", "-audio"},
                                  "control: 0 mode: 0"},
                      // Without defpregap=0 the program lays track 2's pregap over the
                      // last 2 seconds of track 1, which then split at index 0 lacks them.
                      AudioBurner{"WodimAtOnce",
                                  {"wodim", "dev=/dev/sr90", "gracetime=2", "-dao", "-pad", "defpregap=0", "-audio"},
                                  "control: 0 mode: -1"}),
    [](const auto& info) { return std::string(info.param.name); });

// A data CD of two sessions burned by us through SG_IO on sr90: each burned
// folder is a folder of the disc, the last session holds both. cd-info lists
// both tracks and the last session's start (the driver's multisession
// answer); isoinfo reads each session's files through SCSI commands; cmp
// reads the node plainly and finds each track's user data, up to the run-out,
// where the read fails as on a real drive; writing the node fails.
TEST(PeerDataReaders, TwoSessionsOfOurBurnReadByteForByte) {
  ScratchFolder data("peer-readers-data");
  ScratchFolder work("peer-readers-data-work");
  const fs::path sources = work.path() / "sources";
  const fs::path first = sources / "first";
  const fs::path second = sources / "second";
  WritePatternFile(first / "photo.bin", 250000, 21);
  WritePatternFile(second / "notes.bin", 70000, 22);
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank"}).exitStatus, 0);
  const ProcessOutput opened = ExposedCli(data.path(), {"--drive", "sr90", "burn-cd", "--multisession", first.string()});
  ASSERT_EQ(opened.exitStatus, 0) << opened.err;
  EXPECT_THAT(opened.err, ::testing::HasSubstr("Disc burned."));
  const fs::path open = NewestImage(data.path(), ".cue");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "insert", open.string()}).exitStatus, 0);
  const ProcessOutput appended = ExposedCli(data.path(), {"--drive", "sr90", "burn-cd", second.string()});
  ASSERT_EQ(appended.exitStatus, 0) << appended.err;
  EXPECT_THAT(appended.err, ::testing::HasSubstr("entries of the previous session imported"));
  const fs::path cue = EjectedImage(data.path(), "virtual-cd", ".cue");
  ASSERT_NE(cue, open);
  const fs::path flat = work.path() / "flat.iso";
  ExtractMode1UserData(BinOf(cue), flat);
  const std::int32_t last = LastSessionStart(flat);
  ASSERT_GT(last, kFirstSessionGap);
  ASSERT_EQ(ExtractImage(flat, 0, work.path() / "session one").exitStatus, 0);
  ExpectSameFiles(first, work.path() / "session one" / "first");
  EXPECT_FALSE(fs::exists(work.path() / "session one" / "second"));
  ASSERT_EQ(ExtractImage(flat, last, work.path() / "session two").exitStatus, 0);
  ExpectSameFiles(sources, work.path() / "session two");
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
  // blkid probes the last session's file system.
  const ProcessOutput probed = Read(data.path(), work.path(), "blkid -p /dev/sr90");
  EXPECT_EQ(probed.exitStatus, 0) << probed.err;
  EXPECT_THAT(probed.out, ::testing::HasSubstr("TYPE=\"iso9660\""));

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

// xorriso takes the first 64 KiB of a session in one read, which fails past
// the end of its track: a one-file disc, and a one-file session appended to
// it, load all the same (each burned folder a folder of the disc).
TEST(PeerDataReaders, XorrisoLoadsAOneFileDiscAndAOneFileAppendedSession) {
  ScratchFolder data("peer-readers-tiny");
  ScratchFolder work("peer-readers-tiny-work");
  std::string listed;
  for (const char* folder : {"one", "two"}) {
    WritePatternFile(work.path() / folder / "a.txt", 3, 1);
    ASSERT_EQ(Cli(data.path(), {"burn-cd", "--multisession", (work.path() / folder).string()}).exitStatus, 0);
    ASSERT_EQ(Cli(data.path(), {"tray", "insert", "last"}).exitStatus, 0);
    listed += Read(data.path(), work.path(), "xorriso -indev /dev/sr90 -ls /").out;
  }
  EXPECT_EQ(listed, "'one'\n'one'\n'two'\n");
}

}  // namespace
}  // namespace brenmark::endtoend
