// The grab job against the virtual recorder with generated audio discs: files
// compared with the image's PCM, read sizes from the recorder's command log,
// and every way a grab can fail.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <future>
#include <mutex>
#include <string>

#include "audio/Crc32.h"
#include "audio/GrabLog.h"
#include "jobs/EndingLine.h"
#include "platform/FileSystem.h"
#include "tests/jobs/grab/GrabHarness.h"
#include "tests/audio/WavBytes.h"
#include "tests/support/SyncFaults.h"
#include "tests/support/TempFolder.h"
#include "virtualdrive/FaultInjector.h"

namespace brenmark::test {
namespace {

namespace grabtext = audio::grabtext;
constexpr audio::GrabFormat kFormatMp3 = audio::GrabFormat::Mp3;
constexpr audio::GrabFormat kFormatWav = audio::GrabFormat::Wav;

constexpr std::size_t kHeader = 44;

std::uint32_t Le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The header of a WAV file as a player reads it: CD audio, sizes that agree with the file.
void ExpectCdWavHeader(const std::vector<std::uint8_t>& file) {
  ASSERT_GE(file.size(), kHeader);
  const auto data = static_cast<std::uint32_t>(file.size() - kHeader);
  EXPECT_EQ(std::string(file.begin(), file.begin() + kHeader),
            "RIFF" + audio::test::Le(data + 36, 4) + "WAVE" + audio::test::FormatChunk({}) + "data" +
                audio::test::Le(data, 4));
}

std::vector<std::uint32_t> Repeat(std::uint32_t value, std::size_t count) {
  return std::vector<std::uint32_t>(count, value);
}

std::vector<std::uint32_t> Join(std::initializer_list<std::vector<std::uint32_t>> parts) {
  std::vector<std::uint32_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(GrabJob, WavFilesHoldEachTrackExactlyAndReadSixteenSectorsThenSingles) {
  GrabHarness harness({{20}, {17}, {16}, {300}});
  const auto outcome = harness.Grab({1, 2, 3, 4});

  EXPECT_EQ(outcome.result, JobEnd::Done);
  EXPECT_TRUE(harness.bench.prompt.texts().empty());
  for (int track = 1; track <= 4; ++track) {
    SCOPED_TRACE(track);
    const auto file = ReadBytes(harness.folder / ("track0" + std::to_string(track) + ".wav"));
    ExpectCdWavHeader(file);
    const auto pcm = harness.Pcm(track);
    ASSERT_EQ(file.size() - kHeader, pcm.size());
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), file.begin() + kHeader)) << (std::mismatch(pcm.begin(), pcm.end(), file.begin() + kHeader).first - pcm.begin());
  }
  EXPECT_EQ(harness.TakeReadSizes(), Join({{16, 1, 1, 1, 1}, {16, 1}, Repeat(1, 16), Repeat(16, 18), Repeat(1, 12)}));
  EXPECT_EQ(outcome.progress->statuses(),
            (std::vector<std::string>{grabtext::kInitializing, "Grabbing Track 1 (1 of 4)", "Grabbing Track 2 (2 of 4)",
                                      "Grabbing Track 3 (3 of 4)", "Grabbing Track 4 (4 of 4)", "4 Tracks Grabbed"}));
  const auto calls = outcome.progress->calls();
  EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
            (std::vector<std::string>{"range16 100", "pos 100", "close on"}));
}

TEST(GrabJob, Mp3FilesDecodeToEachTrackAtTheChosenRateAndReadSixteenUntilFewerRemain) {
  GrabHarness harness({{300}, {20}, {17}, {16}, {400}});
  const auto outcome = harness.Grab({2, 3, 4, 5}, kFormatMp3, 192);

  EXPECT_EQ(outcome.result, JobEnd::Done);
  EXPECT_TRUE(harness.bench.prompt.texts().empty());
  EXPECT_EQ(harness.TakeReadSizes(), Join({{16, 1, 1, 1, 1}, {16, 1}, {16}, Repeat(16, 25)}));
  EXPECT_EQ(outcome.progress->statuses().at(1), "Grabbing Track 2 (1 of 4)");
  EXPECT_EQ(outcome.progress->statuses().back(), "4 Tracks Grabbed");
  // The Info tag tells the decoder the encoder's delay and padding: each
  // track decodes to exactly its own samples, so albums play without gaps.
  for (const auto& [number, sectors] : {std::pair{2, 20}, {3, 17}, {4, 16}, {5, 400}}) {
    SCOPED_TRACE(number);
    const auto decoded =
        DecodeMp3(harness.folder / ("track0" + std::to_string(number) + ".mp3"), harness.scratch.path());
    EXPECT_EQ(decoded.stream, "MPEG 1.0 L III cbr192 44100 stereo");
    EXPECT_EQ(decoded.samples, static_cast<std::uint64_t>(sectors) * 588);
  }
}

// The checksums of a track, computed here the plain way, word by word (the CRC
// is checked against its bitwise definition in TrackTablesTest).
struct Checksums {
  std::uint32_t crc = 0, v1 = 0, v2 = 0;
};
Checksums ComputeChecksums(const std::vector<std::uint8_t>& pcm, bool first, bool last) {
  Checksums sums;
  sums.crc = ~audio::UpdateCrc32(0xFFFFFFFF, pcm.data(), pcm.size());
  const std::uint64_t n = pcm.size() / 4;
  for (std::uint64_t i = 1; i <= n; ++i) {
    if ((first && i < 5 * 588 - 1) || (last && i > n - 5 * 588)) continue;
    const std::uint64_t word = Le32(pcm, (i - 1) * 4);
    sums.v1 += static_cast<std::uint32_t>(word * i);
    sums.v2 += static_cast<std::uint32_t>(word * i) + static_cast<std::uint32_t>((word * i) >> 32);
  }
  return sums;
}

TEST(GrabJob, ChecksumsOfEveryTrackMatchThePublishedAlgorithmsAndGoToTheLog) {
  // Track 1 (data) makes track 2 the first audio track; track 4 is the last.
  GrabHarness harness({{300, true}, {400}, {350}, {420}});
  const auto outcome = harness.Grab({2, 3, 4});
  ASSERT_EQ(outcome.written.size(), 3u);
  const std::string log = endtoend::ReadWholeFile(harness.folder / audio::GrabLog::kFileName);
  EXPECT_NE(log.find("Drive: virtual-cd"), std::string::npos);
  for (const auto& track : outcome.written) {
    SCOPED_TRACE(track.number);
    const auto expected = ComputeChecksums(harness.Pcm(track.number), track.number == 2, track.number == 4);
    EXPECT_EQ(track.crc32, expected.crc);
    EXPECT_EQ(track.accurateRipV1, expected.v1);
    EXPECT_EQ(track.accurateRipV2, expected.v2);
    EXPECT_NE(log.find(audio::TrackLogText(track)), std::string::npos);
  }
  EXPECT_NE(log.find("Track 03  start 00:11:25  end 00:16:00  length 00:04:50 (350 sectors)"), std::string::npos)
      << log;
}

// Lowers the largest file size this process may write, as a full disk would
// stop it, until the end of the scope.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int);
};

const char* Extension(audio::GrabFormat format) { return format == kFormatWav ? "wav" : "mp3"; }

TEST(GrabJob, AFullDiskEndsTheJobNamingTheFileAndWhyInTheMessageAndTheLogAndLeavesNoPartialFile) {
  for (const audio::GrabFormat format : {kFormatWav, kFormatMp3}) {
    SCOPED_TRACE(Extension(format));
    GrabHarness harness(std::vector<ImageTrack>{{300}, {300}});
    const auto outcome = [&] {
      FileSizeLimit limit(20000);
      return harness.Grab({1, 2}, format);
    }();
    EXPECT_EQ(outcome.result, JobEnd::OutputWriteFailed);
    const auto path = harness.folder / (std::string("track01.") + Extension(format));
    EXPECT_EQ(harness.bench.prompt.texts(),
              std::vector<std::string>{WithDetail(grabtext::kWriteDataFailed, path.string() + ": File too large")});
    EXPECT_EQ(outcome.progress->calls().back(), "close on");
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_EQ(endtoend::ListFiles(harness.folder), std::vector<std::filesystem::path>{"grab.log"});
    const std::string log = endtoend::ReadWholeFile(harness.folder / audio::GrabLog::kFileName);
    EXPECT_NE(log.find("\n\nGrab failed: Error writing data to output file.\n  " + path.string() +
                       ": File too large\n"),
              std::string::npos)
        << log;
  }
}

TEST(GrabJob, AReadGivenUpKeepsWhatWasReadUnderAnIncompleteNameGoesOnAndEndsTheGrabFailedNamingIt) {
  for (const audio::GrabFormat format : {kFormatWav, kFormatMp3}) {
    SCOPED_TRACE(Extension(format));
    GrabHarness harness(std::vector<ImageTrack>{{40}, {300}, {40}});
    // The three attempts of track 2's second read; the user then gives up.
    harness.bench.recorder(harness.drive).ArmFault(*virtualdrive::ParseFaultSpec("READCD:from=56:count=3").spec);
    const auto outcome = harness.Grab({1, 2, 3}, format);

    const std::string incomplete = std::string("track02.incomplete.") + Extension(format);
    EXPECT_EQ(outcome.result, JobEnd::ReadGivenUp);
    EXPECT_EQ(harness.bench.prompt.questions(), std::vector<std::string>{"Error reading sector 56.\nTry again?"});
    EXPECT_EQ(harness.bench.prompt.texts(),
              std::vector<std::string>{grabtext::kIncompleteTracks + incomplete + " (16 of 300 sectors)."});
    ASSERT_EQ(outcome.written.size(), 2u);
    EXPECT_EQ(outcome.written[1].number, 3);
    EXPECT_EQ(endtoend::ListFiles(harness.folder),
              (std::vector<std::filesystem::path>{"grab.log", std::string("track01.") + Extension(format), incomplete,
                                                  std::string("track03.") + Extension(format)}));
    // The kept part holds the track's first 16 sectors, as a player reads it.
    const auto pcm = harness.Pcm(2);
    if (format == kFormatWav) {
      const auto file = ReadBytes(harness.folder / incomplete);
      ExpectCdWavHeader(file);
      EXPECT_TRUE(file.size() == kHeader + 16 * 2352 && std::equal(file.begin() + kHeader, file.end(), pcm.begin()));
    } else {
      EXPECT_EQ(DecodeMp3(harness.folder / incomplete, harness.scratch.path()).samples, 16u * 588);
    }
    const std::string log = endtoend::ReadWholeFile(harness.folder / audio::GrabLog::kFileName);
    EXPECT_NE(log.find("Track 02  start 00:02:40"), std::string::npos) << log;
    EXPECT_NE(log.find("  File: " + (harness.folder / incomplete).string() +
                       "\n  Incomplete: the read was given up after 16 sectors\n  Read retries: 2\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Track 03  start"), std::string::npos) << log;
  }
}

TEST(GrabJob, EachFailureBeforeAnyAudioIsWrittenEndsTheJobWithItsMessage) {
  struct Row {
    const char* name;
    audio::GrabFormat format;
    std::function<void(GrabHarness&, audio::GrabOptions&)> arrange;
    JobEnd result;
    std::string message;
  };
  std::string procRefusal;
  platform::CanWriteInFolder("/proc", procRefusal);
  const std::vector<Row> rows = {
      {"no drive", kFormatWav, [](GrabHarness& h, audio::GrabOptions&) { h.drive = -1; }, JobEnd::NoDrive,
       grabtext::kNoDrive},
      {"table of contents unreadable", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) {
         h.bench.recorder(h.drive).ArmFault(*virtualdrive::ParseFaultSpec("READTOC").spec);
       },
       JobEnd::TocUnreadable, grabtext::kTocUnreadable},
      {"folder a file", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) {
         h.folder = h.scratch.path() / "a file";
         std::ofstream(h.folder) << "not a folder";
       },
       JobEnd::OutputNotCreated, std::string(grabtext::kNotAFolder) + "{folder}" + grabtext::kTerminated},
      {"folder to be made under a file", kFormatMp3,
       [](GrabHarness& h, audio::GrabOptions&) {
         std::ofstream(h.scratch.path() / "a file") << "not a folder";
         h.folder = h.scratch.path() / "a file" / "new" / "newer";
         h.missingFolder = audio::MissingFolder::Create;
       },
       JobEnd::OutputNotCreated,
       std::string(grabtext::kFolderNotCreated) + "{scratch}/a file is not a folder." + grabtext::kTerminated},
      {"folder to be made under a dangling link", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) {
         std::filesystem::create_symlink(h.scratch.path() / "gone", h.scratch.path() / "link");
         h.folder = h.scratch.path() / "link" / "new";
         h.missingFolder = audio::MissingFolder::Create;
       },
       JobEnd::OutputNotCreated,
       std::string(grabtext::kFolderNotCreated) + "{scratch}/link is not a folder." + grabtext::kTerminated},
      {"folder to be made under a file, asked", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) {
         std::ofstream(h.scratch.path() / "a file") << "not a folder";
         h.folder = h.scratch.path() / "a file" / "sub";
       },
       JobEnd::OutputNotCreated,
       std::string(grabtext::kFolderNotCreated) + "{scratch}/a file is not a folder." + grabtext::kTerminated},
      {"folder that takes no files", kFormatWav, [](GrabHarness& h, audio::GrabOptions&) { h.folder = "/proc"; },
       JobEnd::OutputNotCreated,
       std::string(grabtext::kFolderNotWritable) + "/proc: " + procRefusal + grabtext::kTerminated},
      {"folder at an output name", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) { std::filesystem::create_directory(h.folder / "track01.wav"); },
       JobEnd::OutputNotCreated, std::string(grabtext::kOutputsNotFiles) + "track01.wav." + grabtext::kTerminated},
      {"no room for the files", kFormatWav,
       [](GrabHarness&, audio::GrabOptions& o) {
         o.availableSpace = [](const std::filesystem::path&) { return std::optional<std::uint64_t>(90000); };
       },
       JobEnd::OutputNotCreated,
       std::string(grabtext::kNoRoom) + "\n{folder}: about 1 MB needed, 0 MB free." + grabtext::kTerminated},
      {"grab.log a link", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) {
         std::filesystem::create_symlink(h.scratch.path() / "elsewhere.log", h.folder / "grab.log");
       },
       JobEnd::OutputNotCreated,
       std::string(grabtext::kLogNotAFile) + "\n{folder}/grab.log" + grabtext::kTerminated},
      {"encoder library missing", kFormatMp3,
       [](GrabHarness& h, audio::GrabOptions& o) { o.encoderLibrary = h.scratch.path() / "absent.so"; },
       JobEnd::EncoderFailed, grabtext::kEncoderNotLoaded},
      {"encoder library without beCloseStream", kFormatMp3,
       [](GrabHarness&, audio::GrabOptions& o) { o.encoderLibrary = BRENMARK_INCOMPLETE_ENCODER_PATH; },
       JobEnd::EncoderFailed, grabtext::kEncoderFunctionMissing},
      {"folder name too long", kFormatWav,
       [](GrabHarness& h, audio::GrabOptions&) { h.folder /= std::string(1023 - h.folder.string().size(), 'f'); },
       JobEnd::OutputPathTooLong,
       std::string("The output folder name is too long: the file names in it would be longer than 1023 "
                   "characters.") + grabtext::kTerminated},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GrabHarness harness(std::vector<ImageTrack>{{40}});
    audio::GrabOptions options;
    row.arrange(harness, options);
    const auto outcome = harness.Grab({1}, row.format, 128, options);
    EXPECT_EQ(outcome.result, row.result);
    ASSERT_EQ(harness.bench.prompt.messages().size(), 1u);
    std::string message = row.message;
    if (const auto at = message.find("{folder}"); at != std::string::npos) {
      message.replace(at, 8, harness.folder.string());
    }
    if (const auto at = message.find("{scratch}"); at != std::string::npos) {
      message.replace(at, 9, harness.scratch.path().string());
    }
    EXPECT_EQ(harness.bench.prompt.messages()[0].text, message);
    EXPECT_EQ(harness.bench.prompt.messages()[0].icon, MessageIcon::Error);
    EXPECT_TRUE(harness.bench.prompt.questions().empty());
    EXPECT_TRUE(harness.TakeReadSizes().empty());
    std::error_code tooLong;
    EXPECT_FALSE(std::filesystem::is_regular_file(harness.folder / "track01.mp3", tooLong));
    EXPECT_FALSE(std::filesystem::is_regular_file(harness.folder / "track01.wav", tooLong));
    EXPECT_FALSE(std::filesystem::exists(harness.scratch.path() / "elsewhere.log"));
    EXPECT_EQ(outcome.progress->calls().back(), "close on");
  }
}

TEST(GrabJob, AnMp3TagTheEncoderLibraryCannotWriteFailsThatTrackAndEndsTheJobSayingSo) {
  GrabHarness harness(std::vector<ImageTrack>{{40}, {40}});
  audio::GrabOptions options;
  options.encoderLibrary = BRENMARK_TAG_FAILING_ENCODER_PATH;
  const auto outcome = harness.Grab({1, 2}, kFormatMp3, 128, options);

  EXPECT_EQ(outcome.result, JobEnd::OutputWriteFailed);
  ASSERT_EQ(harness.bench.prompt.messages().size(), 1u);
  EXPECT_EQ(harness.bench.prompt.messages()[0].text,
            WithDetail(grabtext::kTagNotWritten, (harness.folder / "track01.mp3").string()));
  EXPECT_EQ(harness.bench.prompt.messages()[0].icon, MessageIcon::Error);
  EXPECT_TRUE(outcome.written.empty());
  EXPECT_EQ(endtoend::ListFiles(harness.folder), std::vector<std::filesystem::path>{"grab.log"});
  EXPECT_EQ(outcome.progress->calls().back(), "close on");
}

TEST(GrabJob, FilesAtTheOutputNamesAreReplacedOnlyWhenTheUserSaysSoAndLinksAreNeverWrittenThrough) {
  struct Row {
    const char* name;
    audio::ExistingOutputs existing;
    bool answer;
    JobEnd result;
  };
  const Row rows[] = {
      {"asked, no", audio::ExistingOutputs::Ask, false, JobEnd::OutputsExist},
      {"refused", audio::ExistingOutputs::Refuse, false, JobEnd::OutputsExist},
      {"asked, yes", audio::ExistingOutputs::Ask, true, JobEnd::Done},
      {"replaced", audio::ExistingOutputs::Replace, false, JobEnd::Done},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GrabHarness harness({{40}, {40}, {40}});
    const auto target = harness.scratch.path() / "elsewhere.txt";
    std::ofstream(target) << "precious";
    std::ofstream(harness.folder / "track02.wav") << "a recording of mine";
    std::filesystem::create_symlink(target, harness.folder / "track03.wav");
    harness.existingOutputs = row.existing;
    harness.bench.prompt.ScriptAnswers({row.answer});
    const auto outcome = harness.Grab({1, 2, 3});

    EXPECT_EQ(outcome.result, row.result);
    EXPECT_EQ(endtoend::ReadWholeFile(target), "precious");
    const auto questions = harness.bench.prompt.questions();
    if (row.existing == audio::ExistingOutputs::Ask) {
      EXPECT_EQ(questions, std::vector<std::string>{"2 files in the folder would be replaced. Replace them?"});
    } else {
      EXPECT_TRUE(questions.empty());
    }
    if (row.result == JobEnd::Done) {
      for (int track : {2, 3}) {
        const auto path = harness.folder / ("track0" + std::to_string(track) + ".wav");
        EXPECT_FALSE(std::filesystem::is_symlink(path));
        const auto file = ReadBytes(path);
        EXPECT_TRUE(file.size() == kHeader + 40 * 2352 &&
                    std::equal(file.begin() + kHeader, file.end(), harness.Pcm(track).begin()));
      }
      continue;
    }
    EXPECT_TRUE(harness.TakeReadSizes().empty());
    EXPECT_FALSE(std::filesystem::exists(harness.folder / "track01.wav"));
    EXPECT_EQ(endtoend::ReadWholeFile(harness.folder / "track02.wav"), "a recording of mine");
    EXPECT_TRUE(std::filesystem::is_symlink(harness.folder / "track03.wav"));
    EXPECT_EQ(harness.bench.prompt.texts(),
              row.existing == audio::ExistingOutputs::Refuse
                  ? std::vector<std::string>{std::string(grabtext::kOutputsExist) + "track02.wav, track03.wav."}
                  : std::vector<std::string>{});
  }
}

// A missing output folder, with its missing parents, is made before the
// first read: at once, or when the user says yes; a no ends the grab unread.
TEST(GrabJob, AMissingOutputFolderIsMadeWithItsParentsOnlyAsTheSettingsAndTheUserSay) {
  struct Row {
    const char* name;
    audio::MissingFolder missing;
    bool answer;
    JobEnd result;
  };
  const Row rows[] = {
      {"asked, yes", audio::MissingFolder::Ask, true, JobEnd::Done},
      {"asked, no", audio::MissingFolder::Ask, false, JobEnd::OutputNotCreated},
      {"made at once", audio::MissingFolder::Create, false, JobEnd::Done},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GrabHarness harness(std::vector<ImageTrack>{{40}});
    harness.folder = harness.scratch.path() / "new" / "newer";
    harness.missingFolder = row.missing;
    harness.bench.prompt.ScriptAnswers({row.answer});
    const auto outcome = harness.Grab({1});

    EXPECT_EQ(outcome.result, row.result);
    EXPECT_EQ(harness.bench.prompt.questions(),
              row.missing == audio::MissingFolder::Ask
                  ? std::vector<std::string>{"The folder " + harness.folder.string() + " does not exist. Create it?"}
                  : std::vector<std::string>{});
    EXPECT_TRUE(harness.bench.prompt.texts().empty());
    if (row.result == JobEnd::Done) {
      EXPECT_EQ(std::filesystem::file_size(harness.folder / "track01.wav"), kHeader + 40 * 2352);
    } else {
      EXPECT_TRUE(harness.TakeReadSizes().empty());
      EXPECT_FALSE(std::filesystem::exists(harness.scratch.path() / "new"));
    }
  }
}

// A track takes its name once complete and durable: a file that comes to the
// name meanwhile is left as it is, and a sync that fails (the track's data,
// or the log's lines) is a failure, not a success.
TEST(GrabJob, ATrackIsNamedOnlyWhenDurableAndItsNameIsFree) {
  struct Row {
    const char* name;
    int syncsBeforeAFailure;  // -1: none fails
    JobEnd result;
    std::string told;
    std::vector<std::filesystem::path> files;
  };
  GrabHarness harness({{40}, {40}});
  const auto track = [&harness](const char* name) { return (harness.folder / name).string(); };
  const Row rows[] = {
      {"planted", -1, JobEnd::OutputWriteFailed, WithDetail(grabtext::kNotNamed, track("track02.wav") + ": File exists"),
       {"grab.log", "track01.wav", "track02.wav"}},
      {"track data", 0, JobEnd::OutputWriteFailed,
       WithDetail(grabtext::kNotNamed, track("track01.wav") + ": its data could not be made durable: Input/output error"),
       {"grab.log"}},
      {"log lines", 2, JobEnd::Done, "The checksums could not be written to grab.log.\n" + track("grab.log") +
       ": Input/output error", {"grab.log", "track01.wav", "track02.wav"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    for (const auto& file : endtoend::ListFiles(harness.folder)) std::filesystem::remove(harness.folder / file);
    harness.bench.prompt.Forget();
    audio::GrabOptions options;
    if (row.syncsBeforeAFailure < 0) {
      options.onTrackWritten = [&](const audio::GrabbedTrack&) { std::ofstream(track("track02.wav")) << "planted"; };
    }
    testsupport::FailSyncs(std::max(row.syncsBeforeAFailure, 0), row.syncsBeforeAFailure < 0 ? 0 : 1);
    const auto outcome = harness.Grab({1, 2}, kFormatWav, 128, options);
    testsupport::FailSyncs(0, 0);
    EXPECT_EQ(outcome.result, row.result);
    EXPECT_EQ(harness.bench.prompt.texts(), std::vector<std::string>{row.told});
    EXPECT_EQ(endtoend::ListFiles(harness.folder), row.files);
    if (row.syncsBeforeAFailure < 0) {
      EXPECT_EQ(endtoend::ReadWholeFile(track("track02.wav")), "planted");
    }
  }
}

// Files an interrupted grab left under their temporary names are named at the
// next grab into the folder, and removed where files are replaced unasked.
TEST(GrabJob, FilesLeftByAnInterruptedGrabAreNamedAndRemovedOnlyWhenOutputsAreReplaced) {
  const std::vector<std::string> leftovers = {"track01.wav.part-0000abcd", "track07.incomplete.mp3.part-12345678"};
  for (const audio::ExistingOutputs existing : {audio::ExistingOutputs::Ask, audio::ExistingOutputs::Replace}) {
    const bool replaced = existing == audio::ExistingOutputs::Replace;
    SCOPED_TRACE(replaced);
    GrabHarness harness(std::vector<ImageTrack>{{40}});
    for (const std::string& name : leftovers) std::ofstream(harness.folder / name) << "half a track";
    std::ofstream(harness.folder / "notes.part-0000abcd") << "mine";
    harness.existingOutputs = existing;
    const auto outcome = harness.Grab({1});

    EXPECT_EQ(outcome.result, JobEnd::Done);
    EXPECT_EQ(harness.bench.prompt.texts(),
              std::vector<std::string>{(replaced ? grabtext::kLeftoversRemoved : grabtext::kLeftoversFound) +
                                       leftovers[0] + ", " + leftovers[1] + "."});
    std::vector<std::filesystem::path> files = {"grab.log", "notes.part-0000abcd", "track01.wav"};
    if (!replaced) files = {"grab.log", "notes.part-0000abcd", "track01.wav", leftovers[0], leftovers[1]};
    EXPECT_EQ(endtoend::ListFiles(harness.folder), files);
  }
}

// Replaced files give their space back as the new ones take their names:
// room for one more track is enough to replace same-sized files, and not
// enough for the same grab into an empty folder.
TEST(GrabJob, TheRoomCheckCountsTheFilesTheGrabReplaces) {
  GrabHarness harness({{300}, {300}});
  harness.existingOutputs = audio::ExistingOutputs::Replace;
  audio::GrabOptions options;
  options.availableSpace = [](const std::filesystem::path&) { return std::optional<std::uint64_t>(300 * 2352 + 4096); };
  EXPECT_EQ(harness.Grab({1, 2}, kFormatWav, 128, options).result, JobEnd::OutputNotCreated);
  ASSERT_EQ(harness.Grab({1, 2}).result, JobEnd::Done);
  EXPECT_EQ(harness.Grab({1, 2}, kFormatWav, 128, options).result, JobEnd::Done);
}

// The recorder's clock at the real pace, holding the first read made while a
// temporary file of `output` is in its folder until `release` is set.
struct ClockHeldWhileWriting final : virtualdrive::PaceClock {
  explicit ClockHeldWhileWriting(std::filesystem::path path) : output(std::move(path)) {}
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  void SleepUntil(TimePoint) override {
    const std::string part = output.filename().string() + ".part-";
    for (const auto& entry : std::filesystem::directory_iterator(output.parent_path())) {
      if (!entry.path().filename().string().starts_with(part)) continue;
      std::call_once(once, [this] {
        held.set_value();
        release.get_future().wait();
      });
    }
  }
  std::filesystem::path output;
  std::once_flag once;
  std::promise<void> held, release;
};

// A grab that replaces outputs leaves the temporary file of a grab writing
// into the same folder at that moment, which then names it as its own.
TEST(GrabJob, AGrabReplacingOutputsLeavesTheFileAnotherGrabIsWriting) {
  GrabHarness writing({{40}, {300}});
  auto clock = std::make_shared<ClockHeldWhileWriting>(writing.folder / "track02.wav");
  writing.bench.recorder(writing.drive).SetPaceClock(clock);
  ASSERT_TRUE(writing.bench.recorder(writing.drive).SetPace(virtualdrive::Pace::Real).ok);
  auto first = std::async(std::launch::async, [&writing] { return writing.Grab({2}); });
  const bool held = clock->held.get_future().wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  GrabHarness replacing(std::vector<ImageTrack>{{40}});
  replacing.folder = writing.folder;
  replacing.existingOutputs = audio::ExistingOutputs::Replace;
  EXPECT_EQ(held ? replacing.Grab({1}).result : JobEnd::Crashed, JobEnd::Done);
  clock->release.set_value();
  EXPECT_EQ(first.get().result, JobEnd::Done);
  EXPECT_TRUE(replacing.bench.prompt.texts().empty());
}

// A stop ends the grab once the track being read is: every track read whole
// is kept, none after it is read, and the job ends stopped, not failed.
TEST(GrabJob, AStopEndsTheGrabAfterTheTrackBeingReadKeepingTheFinishedFiles) {
  for (const audio::GrabFormat format : {kFormatWav, kFormatMp3}) {
    SCOPED_TRACE(Extension(format));
    GrabHarness harness({{40}, {40}, {40}});
    StopRequest stop;
    harness.stop = &stop;
    audio::GrabOptions options;
    // Encoded as read, track 1 is reported before track 2 is begun.
    options.encoderThreads = 0;
    options.onTrackWritten = [&stop](const audio::GrabbedTrack&) { stop.Request(); };
    const auto outcome = harness.Grab({1, 2, 3}, format, 128, options);

    EXPECT_EQ(outcome.result, JobEnd::StoppedByUser);
    EXPECT_TRUE(harness.bench.prompt.messages().empty());
    EXPECT_EQ(outcome.progress->statuses().back(), grabtext::kStoppedByUser);
    EXPECT_EQ(endtoend::ListFiles(harness.folder),
              (std::vector<std::filesystem::path>{"grab.log", std::string("track01.") + Extension(format)}));
    EXPECT_EQ(harness.TakeReadSizes(), Join({{16, 16}, Repeat(1, 8)}));
    const std::string log = endtoend::ReadWholeFile(harness.folder / audio::GrabLog::kFileName);
    EXPECT_EQ(log.substr(log.rfind("\n\n")), "\n\nStopped by the user.\n");
  }
}

// Tracks encoded side by side give the bytes one encoder gives, track by
// track, and are reported in disc order.
TEST(GrabJob, Mp3FilesAreTheSameWhateverTheNumberOfEncoderThreads) {
  GrabHarness harness({{300}, {20}, {17}, {400}, {90}});
  harness.existingOutputs = audio::ExistingOutputs::Replace;
  std::vector<std::vector<std::uint8_t>> serial;
  for (const int threads : {0, 1, 2, 3}) {
    SCOPED_TRACE(threads);
    audio::GrabOptions options;
    options.encoderThreads = threads;
    const auto outcome = harness.Grab({1, 2, 3, 4, 5}, kFormatMp3, 160, options);
    EXPECT_EQ(outcome.result, JobEnd::Done);
    std::vector<int> order;
    std::vector<std::vector<std::uint8_t>> files;
    for (const auto& track : outcome.written) {
      order.push_back(track.number);
      files.push_back(ReadBytes(track.path));
    }
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4, 5}));
    if (threads == 0) serial = files;
    EXPECT_TRUE(files == serial);
  }
}

TEST(GrabJob, EachGrabAddsItsSectionToGrabLog) {
  GrabHarness harness({{40}, {40}});
  std::ofstream(harness.folder / audio::GrabLog::kFileName) << "notes of my own\n";
  harness.existingOutputs = audio::ExistingOutputs::Replace;
  const auto first = harness.Grab({1});
  const auto second = harness.Grab({1, 2});
  ASSERT_EQ(first.written.size(), 1u);
  ASSERT_EQ(second.written.size(), 2u);

  const std::string log = endtoend::ReadWholeFile(harness.folder / audio::GrabLog::kFileName);
  const std::string section = "\nGrab of ";
  const auto firstSection = log.find(section);
  const auto secondSection = log.find(section, firstSection + 1);
  ASSERT_NE(secondSection, std::string::npos) << log;
  EXPECT_EQ(log.substr(0, firstSection), "notes of my own\n");
  EXPECT_LT(log.find(audio::TrackLogText(first.written[0])), secondSection) << log;
  // A section: when it started, the drive, an empty line, then the tracks.
  const auto drive = log.find("\nDrive: virtual-cd", secondSection);
  ASSERT_NE(drive, std::string::npos) << log;
  EXPECT_EQ(log.substr(log.find("\n\n", drive) + 2),
            audio::TrackLogText(second.written[0]) + "\n" + audio::TrackLogText(second.written[1]));
}

TEST(GrabJob, TracksTheDiscDoesNotHoldAndDataTracksAreNamedAndSkippedAndTheCountIsOfFilesWritten) {
  GrabHarness harness({{40}, {300, true}, {40}});
  const auto outcome = harness.Grab({2, 3, 7, 9});

  EXPECT_EQ(outcome.result, JobEnd::Done);
  EXPECT_EQ(harness.bench.prompt.texts(), (std::vector<std::string>{"Tracks not on the disc are skipped: 7, 9.",
                                                              "Data tracks are not grabbed as audio: 2."}));
  EXPECT_EQ(endtoend::ListFiles(harness.folder),
            (std::vector<std::filesystem::path>{"grab.log", "track03.wav"}));
  EXPECT_EQ(outcome.progress->statuses(), (std::vector<std::string>{grabtext::kInitializing,
                                                                   "Grabbing Track 3 (1 of 1)", "1 Tracks Grabbed"}));
}

TEST(GrabJob, AChoiceWithoutAnAudioTrackOnTheDiscEndsTheJobFailedWithoutFiles) {
  GrabHarness harness({{40}, {300, true}});
  const auto outcome = harness.Grab({2, 7});

  EXPECT_EQ(outcome.result, JobEnd::NoAudioTrack);
  EXPECT_EQ(harness.bench.prompt.texts(),
            (std::vector<std::string>{"Tracks not on the disc are skipped: 7.",
                                      "Data tracks are not grabbed as audio: 2.", grabtext::kNoAudioTrack}));
  EXPECT_TRUE(endtoend::ListFiles(harness.folder).empty());
  EXPECT_EQ(outcome.progress->statuses(), std::vector<std::string>{grabtext::kInitializing});
}

// Control characters in a drive's or a file's name reach grab.log as \xHH,
// never raw: a log shown on a terminal cannot command it.
TEST(GrabLog, ControlCharactersInNamesAreShownNotWritten) {
  testsupport::TempFolder folder("grab-log");
  audio::GrabLog log(folder.path(), "drive\x1b]0;title\x07", 0);
  audio::GrabbedTrack track;
  track.number = 1;
  track.path = folder.path() / "\x1b[31mred.wav";
  std::string error;
  ASSERT_TRUE(log.Add(track, error)) << error;
  const std::string text = endtoend::ReadWholeFile(folder.path() / audio::GrabLog::kFileName);
  EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
  EXPECT_NE(text.find("Drive: drive\\x1B]0;title\\x07\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\\x1B[31mred.wav"), std::string::npos) << text;
}

}  // namespace
}  // namespace brenmark::test
