// The Video CD job against the virtual CD recorder; its discs read back with
// vcd-info, vcdxrip and ffprobe.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>

#include "jobs/EndingLine.h"
#include "jobs/burn/VcdJob.h"
#include "tests/endtoend/CliRun.h"
#include "tests/endtoend/VirtualBench.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

void MakeStream(const fs::path& path, int seconds, const std::string& target) {
  const auto made = MakeVcdStream(path, seconds, target);
  ASSERT_EQ(made.exitStatus, 0) << made.err;
}

// Cuts a file to exactly `size` bytes, the last of them not zero.
void CutTo(const fs::path& path, std::uintmax_t size) {
  fs::resize_file(path, size);
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(size - 1));
  file.put('\xB9');
}

// A file of exactly `size` bytes (at least two packs) that the job takes for
// an MPEG-1 system stream: the first two packs of a stream ffmpeg made (they
// hold the sequence header), then a pattern of `seed`.
void WriteMpegFile(const fs::path& path, std::uint64_t size, std::uint32_t seed) {
  static const std::string head = [] {
    ScratchFolder folder("vcd-head");
    MakeStream(folder.path() / "head.mpg", 1, "ntsc-vcd");
    return ReadWholeFile(folder.path() / "head.mpg").substr(0, 2 * 2324);
  }();
  ASSERT_GE(size, head.size());
  WritePatternFile(path, size, seed);
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.write(head.data(), static_cast<std::streamsize>(head.size()));
}

using test::ActingProgress;

void Arm(VirtualBench& bench, const std::string& fault) {
  bench.recorder(VirtualBench::kCdDrive).ArmFault(*virtualdrive::ParseFaultSpec(fault).spec);
}

struct VcdRun {
  JobEnd result = JobEnd::Done;
  std::vector<std::string> statuses;
  std::vector<std::string> calls;
};

VcdRun BurnVcd(VirtualBench& bench, std::vector<std::string> files, int drive = VirtualBench::kCdDrive,
               std::shared_ptr<ActingProgress> progress = nullptr) {
  if (!progress) progress = std::make_shared<ActingProgress>("", [] {});
  JobInputs inputs;
  inputs.sourceFiles = std::move(files);
  inputs.currentDrive = drive;
  inputs.writeSpeed = 705;
  auto job = bench.runner->Start(VcdJob, std::move(inputs), progress);
  if (!job) return {};
  job->Wait();
  return {job->result(), progress->record.statuses(), progress->record.calls()};
}

// Extracts the MPEG tracks of a disc image with vcdxrip, in track order.
std::vector<std::string> RipTracks(const fs::path& cue, const fs::path& into, std::size_t count) {
  const auto ripped = RunProgram({"env", "-C", into.string(), "vcdxrip", "--quiet", "--nofiles",
                                  "--cue-file=" + cue.string()});
  EXPECT_EQ(ripped.exitStatus, 0) << ripped.out << ripped.err;
  std::vector<std::string> tracks;
  for (std::size_t i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "avseq%02zu.mpg", i);
    tracks.push_back(ReadWholeFile(into / name));
  }
  return tracks;
}

// Reads a file of a Video CD as a program copying it from the disc would: its
// extent and recorded length from cd-info's listing of the file system, then
// that many blocks with cd-read, raw, keeping each block's 2324 form 2 bytes.
std::string ReadDiscFile(const fs::path& cue, const std::string& name, const fs::path& into) {
  const auto listing = RunProgram({"cd-info", "--no-header", "--iso9660", "--cue-file=" + cue.string()});
  std::smatch found;
  const std::regex line("\\[LSN +([0-9]+)\\] +[0-9]+ \\( *([0-9]+)\\)[^\\n]* " + name + "\\n");
  EXPECT_TRUE(std::regex_search(listing.out, found, line)) << name << " is not listed: " << listing.out;
  if (found.empty()) return {};
  const fs::path out = into / name;
  const auto read = RunProgram({"cd-read", "--no-header", "--cue-file=" + cue.string(), "--mode", "audio",
                                "--start", found[1].str(), "--number",
                                std::to_string(std::stoul(found[2].str()) / 2048), "--output-file", out.string()});
  EXPECT_EQ(read.exitStatus, 0) << read.err;
  const std::string raw = ReadWholeFile(out);
  std::string data;
  for (std::size_t block = 0; block + 2352 <= raw.size(); block += 2352) data += raw.substr(block + 24, 2324);
  return data;
}

// The ripped data is the source, then at most the zero padding of its last
// sector (the ripper leaves out sectors that hold only zeros).
void ExpectSameStream(const std::string& ripped, const std::string& source) {
  ASSERT_GE(ripped.size(), source.size());
  EXPECT_LT(ripped.size() - source.size(), 2324u);
  EXPECT_TRUE(ripped.compare(0, source.size(), source) == 0) << "the data differs";
  EXPECT_EQ(ripped.find_first_not_of('\0', source.size()), std::string::npos);
}

// Track numbers from 10 on are where a plain byte and BCD part. A speed the
// drive refuses is told, and the burn goes on.
TEST(VcdJob, EveryEntryOfFifteenFilesPointsAtItsOwnTrackAndARefusedSpeedIsOnlyTold) {
  ScratchFolder sources("vcd-fifteen");
  const fs::path stream = sources.path() / "stream.mpg";
  WriteMpegFile(stream, 2324 * 2, 3);
  VirtualBench bench;
  Arm(bench, "SETCDSPEED");
  ASSERT_EQ(BurnVcd(bench, std::vector<std::string>(15, stream.string())).result, JobEnd::Done);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  EXPECT_EQ(bench.prompt.messages()[0].text, vcdjobtext::kSpeedRefused);
  EXPECT_EQ(bench.prompt.messages()[0].icon, MessageIcon::Plain);
  const auto info = RunProgram({"vcd-info", "--no-banner", "--cue-file=" + bench.finishedImages().at(0).string()});
  for (int entry : {9, 14}) {
    char line[64];
    std::snprintf(line, sizeof line, "ENTRY[%02d]: track# %2d (SEQUENCE[%d])", entry, entry + 1, entry);
    EXPECT_THAT(info.out, HasSubstr(line));
  }
}

TEST(VcdJob, TwoFilesMakeADiscThePlayersToolsRead) {
  ScratchFolder sources("vcd-sources");
  const fs::path first = sources.path() / "first.mpg";
  const fs::path second = sources.path() / "second.mpg";
  MakeStream(first, 3, "ntsc-vcd");
  MakeStream(second, 2, "ntsc-vcd");
  // A file that ends one byte into its last sector.
  const auto packs = fs::file_size(second) / 2324;
  CutTo(second, 2324 * (packs - 1) + 1);

  VirtualBench bench;
  const auto run = BurnVcd(bench, {first.string(), second.string()});
  EXPECT_EQ(run.result, JobEnd::Done);
  EXPECT_THAT(bench.prompt.texts(), IsEmpty());
  EXPECT_THAT(run.statuses,
              ElementsAre("Initializing disc format...", "Writing Track 1 of 3 on Video CD ...",
                          "Closing Track 1 of 3 on Video CD ...", "Starting Track 2 of 3 on Video CD ...",
                          "Burning Track 2 of 3 on Video CD ...", "Closing Track 2 of 3 ...",
                          "Starting Track 3 of 3 on Video CD ...", "Burning Track 3 of 3 on Video CD ...",
                          "Closing Track 3 of 3 ...", "Closing Disk Session...", "Video CD is Done."));

  const auto images = bench.finishedImages();
  ASSERT_EQ(images.size(), 1u);
  const auto info = RunProgram({"vcd-info", "--no-banner", "--cue-file=" + images[0].string()});
  EXPECT_EQ(info.exitStatus, 0);
  EXPECT_THAT(info.out, HasSubstr("VCD 2.0 detected"));
  EXPECT_THAT(info.out, HasSubstr("entries: 2"));
  EXPECT_THAT(info.out, HasSubstr("AVSEQ02.DAT;1"));
  EXPECT_EQ(info.err, "");
  EXPECT_EQ(info.out.find("**"), std::string::npos) << info.out;

  ScratchFolder rip("vcd-rip");
  const auto tracks = RipTracks(images[0], rip.path(), 2);
  ExpectSameStream(tracks[0], ReadWholeFile(first));
  ExpectSameStream(tracks[1], ReadWholeFile(second));
  // The file begins at the 45 blocks before the track's entry point and
  // still holds the whole stream: a copy of AVSEQ02.DAT loses nothing.
  const std::string copied = ReadDiscFile(images[0], "avseq02.dat", rip.path());
  ASSERT_EQ(copied.size(), (45 + packs) * 2324);
  ExpectSameStream(copied.substr(45 * 2324), ReadWholeFile(second));
  const auto probe = RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_name",
                                 "-of", "csv=p=0", (rip.path() / "avseq01.mpg").string()});
  EXPECT_THAT(Lines(probe.out), ElementsAre("mpeg1video", "mp2"));
}

// One failure: how it is brought about, what the user is told, how the job ends.
struct FailureRow {
  std::string name;
  std::function<void(VirtualBench&, std::vector<std::string>& files, int& drive, fs::path folder)> arrange;
  std::string message;  // the start of the first error message
  JobEnd result;
  bool finished;  // the session was closed (as far as it could be) and the disc ejected, and the burn failed
};

// --verify reads every written sector back: the file system of track 1 and
// the MPEG track are each named when a block of theirs was stored with a
// flipped byte or cannot be read, with status 1.
TEST(VcdJob, CliVerifyNamesTheTrackThatDiffersOrCannotBeRead) {
  ScratchFolder sources("vcd-verify");
  ScratchFolder data("vcd-verify-data");
  const std::string stream = (sources.path() / "stream.mpg").string();
  WriteMpegFile(stream, 2324 * 40, 7);
  const auto burn = [&](std::vector<std::string> options) {
    options.insert(options.begin(), {"--drive", "virtual-cd", "--no"});
    options.insert(options.end(), {"burn-vcd", "--verify", stream});
    return Cli(data.path(), options);
  };
  const auto clean = burn({});
  EXPECT_EQ(clean.exitStatus, 0) << clean.err;
  EXPECT_THAT(clean.err, HasSubstr("Verifying track 2 of 2..."));
  EXPECT_THAT(clean.err, HasSubstr("Verified: 2 tracks, "));

  const struct {
    const char* fault;
    std::string told;
  } rows[] = {
      {"WRITE10:from=20:corrupt", "1 track differs: track 1 (the file system) (first difference within bytes 40,960-"},
      {"WRITE10:from=2870:corrupt", "1 track differs: track 2 (" + stream + ") (first difference within bytes "},
      {"READCD:from=2870:count=3", "1 track could not be read: track 2 (" + stream + ") (blocks "},
  };
  for (const auto& row : rows) {
    const auto failed = burn({"--fault", row.fault});
    EXPECT_EQ(failed.exitStatus, 1) << row.fault;
    EXPECT_THAT(failed.err, HasSubstr("Verification failed: " + row.told)) << row.fault;
  }
}

TEST(VcdJob, EachFailureEndsAsTold) {
  ScratchFolder sources("vcd-failures");
  const fs::path stream = sources.path() / "stream.mpg";
  WriteMpegFile(stream, 2324 * 40, 7);

  const std::vector<FailureRow> rows = {
      {"no drive", [](auto&, auto&, int& drive, auto) { drive = -1; }, vcdjobtext::kNoDrive, JobEnd::NoDrive, false},
      {"no file", [](auto&, auto& files, auto&, auto) { files.clear(); }, vcdjobtext::kNoFiles,
       JobEnd::NothingToWrite, false},
      // The file and the reason come before the line that says the burn ends.
      {"missing file", [](auto&, auto& files, auto&, auto folder) { files = {(folder / "gone.mpg").string()}; },
       WithDetail(vcdjobtext::kNoSourceInformation, (sources.path() / "gone.mpg").string() + ": No such file or directory"),
       JobEnd::SourceUnreadable, false},
      {"a device, not a file", [](auto&, auto& files, auto&, auto) { files = {"/dev/null"}; },
       "Error retrieving information about source file.\n/dev/null: ", JobEnd::SourceUnreadable, false},
      {"drive not accessible", [](auto&, auto&, int& drive, auto) { drive = 7; }, vcdjobtext::kNoDeviceAccess,
       JobEnd::NoDeviceAccess, false},
      {"disc not blank",
       [](VirtualBench& bench, auto& files, auto&, auto) {
         BurnVcd(bench, files);
         bench.recorder(VirtualBench::kCdDrive).InsertImage(bench.finishedImages().at(0));
       },
       vcdjobtext::kDiscNotEmpty, JobEnd::DiscNotWritable, false},
      {"write mode refused", [](VirtualBench& bench, auto&, auto&, auto) { Arm(bench, "MODESELECT10"); },
       vcdjobtext::kWriteModeRefused, JobEnd::BurnFailed, true},
      {"write given up", [](VirtualBench& bench, auto&, auto&, auto) { Arm(bench, "WRITE10:from=2860"); }, "",
       JobEnd::BurnFailed, true},
      {"session not closed", [](VirtualBench& bench, auto&, auto&, auto) { Arm(bench, "CLOSESESSION:after=2"); },
       "The drive could not close the session. The drive answered: 4/44/00", JobEnd::BurnFailed, true},
      {"more than 32 files", [](auto&, auto& files, auto&, auto) { files.assign(33, files[0]); },
       "A Video CD holds at most 32 MPEG files; 33 were chosen.", JobEnd::SourcesRefused, false},
      {"a file of 4 GiB",
       [](auto&, auto& files, auto&, auto folder) {
         const fs::path large = folder / "large.mpg";
         std::ofstream(large).close();
         fs::resize_file(large, std::uintmax_t{1} << 32);
         files = {large.string()};
       },
       "The file " + (sources.path() / "large.mpg").string() + " cannot go on a Video CD: it is 4 GB or larger",
       JobEnd::SourcesRefused, false},
      {"track start unreadable",
       [](VirtualBench& bench, auto&, auto&, auto) { Arm(bench, "READTRACKINFORMATION:after=1"); },
       vcdjobtext::kNoTrackStart, JobEnd::NoDriveInformation, false},
      {"free blocks unreadable",
       [](VirtualBench& bench, auto&, auto&, auto) { Arm(bench, "READTRACKINFORMATION"); },
       vcdjobtext::kNoCapacity, JobEnd::NoDriveInformation, false},
      // The DVD recorder's disc is refused at once, not after failed writes.
      {"DVD recorder", [](auto&, auto&, int& drive, auto) { drive = VirtualBench::kDvdDrive; }, burntext::kNotACd,
       JobEnd::DiscNotWritable, false},
      {"two files that overflow a 21-minute disc",
       [](VirtualBench& bench, auto& files, auto&, auto folder) {
         ASSERT_TRUE(bench.recorder(VirtualBench::kCdDrive).InsertBlank(virtualdrive::MediumKind::CdR, 21).ok);
         files.clear();
         for (const char* name : {"half1.mpg", "half2.mpg"}) {
           WriteMpegFile(folder / name, 2324 * 2, 1);
           fs::resize_file(folder / name, 2324ull * 46000);
           files.push_back((folder / name).string());
         }
       },
       "The files need 95162 sectors on the disc, which has 94349 free.", JobEnd::DoesNotFit, false},
  };
  for (const FailureRow& row : rows) {
    SCOPED_TRACE(row.name);
    VirtualBench bench;
    std::vector<std::string> files = {stream.string()};
    int drive = VirtualBench::kCdDrive;
    row.arrange(bench, files, drive, sources.path());
    const std::size_t messagesBefore = bench.prompt.messages().size();
    auto& recorder = bench.recorder(drive == VirtualBench::kDvdDrive ? drive : VirtualBench::kCdDrive);
    bench.trace->Clear();

    const auto run = BurnVcd(bench, files, drive);
    EXPECT_EQ(run.result, row.result);
    const auto messages = bench.prompt.messages();
    if (!row.message.empty()) {
      ASSERT_GT(messages.size(), messagesBefore);
      EXPECT_THAT(messages[messagesBefore].text, ::testing::StartsWith(row.message));
      EXPECT_EQ(messages[messagesBefore].icon, MessageIcon::Error);
    }
    const auto history = bench.commands(recorder);
    const auto commands = Describe(history);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "STARTSTOP"), row.finished ? 1 : 0);
    if (!row.finished) {
      EXPECT_THAT(Writes(history), IsEmpty());
    }
    EXPECT_EQ(run.statuses.back(), row.finished ? vcdjobtext::kFailed : "Initializing disc format...");
    EXPECT_EQ(run.calls.back(), "close on");
  }
}

// The MPEG data of a disc image: the user data of every Mode 2 Form 2 sector
// whose subheader marks it as MPEG data, in address order.
std::string MpegDataOf(const fs::path& cue) {
  constexpr std::size_t kRaw = 2352;
  std::ifstream in(BinOf(cue), std::ios::binary);
  std::string data;
  std::vector<char> sector(kRaw);
  while (in.read(sector.data(), static_cast<std::streamsize>(kRaw))) {
    if (sector[15] == 2 && static_cast<std::uint8_t>(sector[18]) == 0x62) data.append(sector.data() + 24, 2324);
  }
  return data;
}

// A file spread over two small discs: the first gets its free blocks less a
// reserve of 20,000 as data, --yes answers the request for another disc, the few bytes
// left over get a disc of their own, each disc is printed, and together they
// hold every byte once, in order.
TEST(BurnVcdCommand, YesAnswersTheRequestForAnotherDiscAndEachDiscIsPrinted) {
  ScratchFolder sources("vcd-cli");
  const fs::path movie = sources.path() / "movie.mpg";
  // A 21-minute disc has 94,349 free blocks: 74,349 data sectors of a spread file.
  constexpr std::uint64_t kRoomBytes = 74349ull * 2324;
  constexpr std::uint64_t kLeftOver = 5000;
  WriteMpegFile(movie, kRoomBytes + kLeftOver, 5);
  ScratchFolder data("vcd-cli-data");
  ASSERT_EQ(Cli(data.path(), {"--drive", "virtual-cd", "tray", "blank", "--minutes", "21"}).exitStatus, 0);

  const auto burned = Cli(data.path(), {"--drive", "virtual-cd", "--yes", "burn-vcd", movie.string()});
  EXPECT_EQ(burned.exitStatus, 0) << burned.err;
  const auto paths = Lines(burned.out);
  ASSERT_EQ(paths.size(), 2u) << burned.out;
  std::vector<std::string> parts;
  for (const std::string& path : paths) {
    const auto info = RunProgram({"vcd-info", "--no-banner", "--cue-file=" + path});
    EXPECT_THAT(info.out, HasSubstr("entries: 1")) << path;
    parts.push_back(MpegDataOf(path));
  }
  EXPECT_EQ(parts[0].size(), kRoomBytes);
  ExpectSameStream(parts[0] + parts[1], ReadWholeFile(movie));
  EXPECT_THAT(burned.err, HasSubstr(vcdjobtext::kNeedsMoreDiscs));
  EXPECT_THAT(burned.err, HasSubstr(vcdjobtext::kInsertAnotherDisc));
  EXPECT_THAT(burned.err, HasSubstr("[--yes: going on]"));

  // Without an answer no further disc is asked for: the rest is told and the run fails.
  const auto stopped = Cli(data.path(), {"--drive", "virtual-cd", "burn-vcd", movie.string()});
  EXPECT_EQ(stopped.exitStatus, 1);
  EXPECT_EQ(Lines(stopped.out).size(), 1u);
  EXPECT_THAT(stopped.err, HasSubstr("The last 5000 bytes of " + movie.string() + " were not written."));

  EXPECT_THAT(RunProgram({BRENMARK_CLI_PATH, "--help"}).out, HasSubstr("burn-vcd [--verify] FILE.mpg..."));
}

// Every file of the list is looked at before the drive is touched: each one
// that is not an MPEG-1 system stream is named with the reason, and nothing
// is written.
TEST(VcdJob, FilesThatAreNotMpegOneSystemStreamsAreRefusedByName) {
  ScratchFolder sources("vcd-kinds");
  const auto made = [&](const std::string& name, std::vector<std::string> output) {
    const fs::path path = sources.path() / name;
    std::vector<std::string> command = {"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                        "testsrc=duration=1:size=352x240:rate=25", "-f", "lavfi", "-i",
                                        "sine=duration=1"};
    command.insert(command.end(), output.begin(), output.end());
    command.push_back(path.string());
    const auto run = RunProgram(command);
    EXPECT_EQ(run.exitStatus, 0) << name << run.err;
    return path.string();
  };
  const std::string good = (sources.path() / "good.mpg").string();
  MakeStream(good, 1, "pal-vcd");
  const std::string random = (sources.path() / "random.mpg").string();
  WritePatternFile(random, 2324 * 8, 9);
  const std::string empty = (sources.path() / "empty.mpg").string();
  std::ofstream(empty).close();
  const struct {
    std::string path;
    std::string reason;
  } refused[] = {
      {random, "it does not begin with an MPEG pack header"},
      {empty, "the file is empty"},
      {made("sound.wav", {"-vn", "-f", "wav"}), "it does not begin with an MPEG pack header"},
      {made("dvd.mpg", {"-target", "pal-dvd"}), "its pack headers are MPEG-2's"},
      {made("mpeg2video.mpg", {"-c:v", "mpeg2video", "-c:a", "mp2", "-f", "mpeg"}), "its video is MPEG-2"},
      {made("audio.mpg", {"-vn", "-c:a", "mp2", "-f", "mpeg"}), "no MPEG video sequence header"},
      {made("movie.mp4", {"-c:v", "mpeg1video", "-f", "mp4"}), "it does not begin with an MPEG pack header"},
  };
  // Without sound a Video CD stream has empty sectors of zeros between its packs.
  const std::string silent = made("silent.mpg", {"-an", "-target", "ntsc-vcd"});
  std::vector<std::string> files = {good, silent};
  for (const auto& file : refused) files.push_back(file.path);

  VirtualBench bench;
  bench.trace->Clear();
  const auto run = BurnVcd(bench, files);
  EXPECT_EQ(run.result, JobEnd::SourcesRefused);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  const std::string text = bench.prompt.messages()[0].text;
  EXPECT_EQ(text.find(good), std::string::npos);
  EXPECT_EQ(text.find(silent), std::string::npos) << text;
  for (const auto& file : refused) {
    EXPECT_THAT(text, HasSubstr("The file " + file.path + " cannot go on a Video CD: " + file.reason));
  }
  EXPECT_THAT(bench.commands(VirtualBench::kCdDrive), IsEmpty());
}

// A stream muxed with packs of another size than a sector's (ffmpeg's plain
// vcd format makes 2048-byte ones) is burned as it is, named in a notice
// that tells how to make one that fits; a stream made for a Video CD is not.
TEST(VcdJob, AStreamWhosePacksStraddleTheSectorsIsNamedAndBurnedAsItIs) {
  ScratchFolder sources("vcd-packs");
  const std::string fitting = (sources.path() / "fitting.mpg").string();
  MakeStream(fitting, 1, "ntsc-vcd");
  const std::string straddling = (sources.path() / "straddling.mpg").string();
  const auto made = RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                                "testsrc=duration=1:size=352x240:rate=29.97", "-f", "lavfi", "-i", "sine=duration=1",
                                "-c:v", "mpeg1video", "-c:a", "mp2", "-f", "vcd", straddling});
  ASSERT_EQ(made.exitStatus, 0) << made.err;

  VirtualBench bench;
  EXPECT_EQ(BurnVcd(bench, {fitting, straddling}).result, JobEnd::Done);
  ASSERT_EQ(bench.prompt.texts().size(), 1u);
  const std::string notice = bench.prompt.texts()[0];
  EXPECT_THAT(notice, HasSubstr("not the 2324 bytes a Video CD sector carries"));
  EXPECT_THAT(notice, HasSubstr("-target ntsc-vcd"));
  EXPECT_THAT(notice, HasSubstr("\n" + straddling));
  EXPECT_EQ(notice.find(fitting), std::string::npos);
  ExpectSameStream(RipTracks(bench.finishedImages().at(0), sources.path(), 2).at(1), ReadWholeFile(straddling));
}

}  // namespace
}  // namespace brenmark::endtoend
