#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "drive/DriveRegistry.h"
#include "tests/drive/CountingSleeper.h"
#include "tests/drive/FakeUserPrompt.h"
#include "tests/virtualdrive/image/RawSectorCheck.h"
#include "tests/virtualdrive/recorder/RecorderHarness.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace brenmark::virtualdrive::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string output;
};

// Runs a shell command and collects what it prints.
ToolRun RunTool(const std::string& command) {
  ToolRun run;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 4096> chunk{};
  while (std::fgets(chunk.data(), chunk.size(), pipe) != nullptr) run.output += chunk.data();
  run.status = ::pclose(pipe);
  return run;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

int CountOccurrences(const std::string& text, const std::string& word) {
  int count = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

// The virtual recorders as the only drives of the machine, used through the
// registry the way the burning jobs use a drive.
class RegistryBurn : public ::testing::Test {
 protected:
  void SetUp() override {
    auto provider = std::make_unique<VirtualRecorderProvider>(folder.path() / "recorders");
    recorders = provider->recorders();
    for (const auto& recorder : recorders) {
      recorder->SetFinishedImageObserver([this](const fs::path& path) { finished.push_back(path); });
    }
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::move(provider));
    registry = std::make_unique<DriveRegistry>(prompt, sleeper, std::move(providers));
    ASSERT_TRUE(registry->EnumerateDrives());
  }

  void SetWriting(int drive, int writeType, int sessionFormat, int blockType, int multiSession, int trackMode,
                  const std::uint8_t* subheader = nullptr) {
    std::array<std::uint8_t, 64> page{};
    registry->ModeSense(drive, 0x05, 64, page.data());
    ASSERT_EQ(registry->SetWriteParameters(drive, 64, page.data(), 1, writeType, sessionFormat, blockType,
                                           multiSession, trackMode, subheader),
              0);
  }

  // Writes blocks in chunks of 16, as the jobs do.
  void WriteBlocks(int drive, std::int32_t lba, const std::vector<std::uint8_t>& data, int blockSize,
                   bool write12 = false) {
    const std::size_t blocks = data.size() / static_cast<std::size_t>(blockSize);
    for (std::size_t done = 0; done < blocks; done += 16) {
      const int count = static_cast<int>(std::min<std::size_t>(16, blocks - done));
      const std::uint8_t* chunk = data.data() + done * static_cast<std::size_t>(blockSize);
      const std::int32_t at = lba + static_cast<std::int32_t>(done);
      const int result = write12 ? registry->WriteSectors12(drive, at, count, blockSize, chunk)
                                 : registry->WriteSectors(drive, at, count, blockSize, chunk);
      ASSERT_EQ(result, 0) << "at " << at;
    }
  }

  // An ISO 9660 image holding one small text file.
  std::vector<std::uint8_t> MakeIsoImage() {
    const fs::path source = folder.path() / "source";
    fs::create_directories(source);
    std::ofstream(source / "hello.txt") << "Hello from the virtual recorder\n";
    const fs::path iso = folder.path() / "source.iso";
    const ToolRun made = RunTool("genisoimage -quiet -o " + Quoted(iso) + " " + Quoted(source));
    EXPECT_EQ(made.status, 0) << made.output;
    return FileBytes(iso);
  }

  fs::path BinOf(const fs::path& cue) {
    fs::path bin = cue;
    bin.replace_extension(".bin");
    return bin;
  }

  TempFolder folder;
  brenmark::testing::FakeUserPrompt prompt;
  brenmark::testing::CountingSleeper sleeper;
  std::vector<std::shared_ptr<VirtualRecorder>> recorders;
  std::unique_ptr<DriveRegistry> registry;
  std::vector<fs::path> finished;
};

TEST_F(RegistryBurn, AMachineWithoutDrivesListsTheTwoVirtualRecorders) {
  EXPECT_EQ(registry->driveCount, 2);
  EXPECT_EQ(registry->currentDrive, 0);
  EXPECT_EQ(registry->drive(0).displayName, "virtual-cd: Brenmark Virtual CD-RW   ");
  EXPECT_EQ(registry->drive(1).displayName, "virtual-dvd: Brenmark Virtual DVD-R   ");
  for (int index = 0; index < 2; ++index) {
    const Drive& drive = registry->drive(index);
    EXPECT_EQ(drive.interfaceStandard, 2u);
    EXPECT_EQ(drive.canWriteCdR, 1);
    EXPECT_EQ(drive.canWriteCdRw, 1);
    EXPECT_EQ(drive.canWriteDvdR, index == 1 ? 1 : 0);  // the CD recorder writes no DVD
    EXPECT_EQ(drive.canTestWrite, 1);
    EXPECT_EQ(drive.canWriteDvdRam, 0);
  }
  EXPECT_TRUE(prompt.messages.empty());

  ASSERT_TRUE(registry->OpenDevice(0));
  EXPECT_TRUE(registry->IsMediaPresent(0));
  EXPECT_TRUE(registry->IsDiscBlank(0));
  EXPECT_FALSE(registry->IsDiscAppendable(0));
  EXPECT_EQ(registry->GetDiscCapacity(0), 359999);
  EXPECT_EQ(registry->GetLastTrackNumber(0), 1);
  std::uint32_t mask = 0;
  std::array<std::uint32_t, 100> speeds{};
  ASSERT_TRUE(registry->GetCapabilities(0, &mask, nullptr, nullptr, speeds));
  EXPECT_EQ(speeds[0], 8467u);
  EXPECT_EQ(speeds[7], 0u);
  EXPECT_TRUE(registry->CloseDevice(0));
}

TEST_F(RegistryBurn, DataTrackMakesAnImageTheToolsRead) {
  const auto iso = MakeIsoImage();
  ASSERT_FALSE(iso.empty());
  ASSERT_TRUE(registry->OpenDevice(0));
  ASSERT_TRUE(registry->IsDiscBlank(0));
  const std::int32_t start = registry->GetTrackStartAddress(0, 1);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(registry->SetSpeed(0, 7056, 0), 0);
  SetWriting(0, 1, 0x00, 8, 0x00, 4);
  WriteBlocks(0, start, iso, 2048);
  EXPECT_TRUE(registry->SynchronizeCache(0));
  EXPECT_EQ(registry->CloseSession(0), 0);

  const auto blocks = static_cast<std::int32_t>(iso.size() / 2048);
  ASSERT_TRUE(registry->ReadSessions(0));
  ASSERT_EQ(registry->discToc.sessionCount(), 1);
  const TocSession& session = registry->discToc.sessions[0];
  ASSERT_EQ(session.trackCount(), 1);
  EXPECT_EQ(session.tracks[0].audio, 0);
  EXPECT_EQ(session.LeadOut(), blocks + 2 + 150);
  EXPECT_EQ(registry->ReadCapacity(0), blocks + 1);
  std::vector<std::uint8_t> sector(2048);
  ASSERT_EQ(registry->ReadSectors(0, 16, 1, sector.data(), 2048, 0x10), 0);
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), iso.begin() + 16 * 2048));
  EXPECT_TRUE(registry->EjectDisc(0));
  registry->CloseDevice(0);

  ASSERT_EQ(finished.size(), 1u);
  const fs::path cue = finished[0];
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(cue), "");
  const ToolRun info = RunTool("cd-info --no-device-info --cue-file " + Quoted(cue));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("CD-DATA (Mode 1)"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("ISO 9660"), std::string::npos) << info.output;

  const fs::path out = folder.path() / "converted";
  const ToolRun converted = RunTool("bchunk " + Quoted(BinOf(cue)) + " " + Quoted(cue) + " " + Quoted(out));
  ASSERT_EQ(converted.status, 0) << converted.output;
  const fs::path convertedIso = folder.path() / "converted01.iso";
  const ToolRun listing = RunTool("isoinfo -f -i " + Quoted(convertedIso));
  EXPECT_NE(listing.output.find("HELLO.TXT"), std::string::npos) << listing.output;
  const ToolRun content = RunTool("isoinfo -i " + Quoted(convertedIso) + " -x '/HELLO.TXT;1'");
  EXPECT_EQ(content.output, "Hello from the virtual recorder\n");
}

TEST_F(RegistryBurn, SeveralAudioTracks) {
  const std::array<std::size_t, 3> lengths = {48, 32, 80};
  ASSERT_TRUE(registry->OpenDevice(0));
  SetWriting(0, 1, 0x00, 0, 0x00, 0);
  std::vector<std::vector<std::uint8_t>> tracks;
  for (std::size_t index = 0; index < lengths.size(); ++index) {
    const int number = static_cast<int>(index) + 1;
    tracks.push_back(Pattern(lengths[index], 2352, static_cast<std::uint32_t>(number)));
    const std::int32_t start = registry->GetTrackStartAddress(0, number);
    WriteBlocks(0, start, tracks.back(), 2352);
    EXPECT_TRUE(registry->SynchronizeCache(0));
    EXPECT_EQ(registry->CloseTrack(0, number), 0);
  }
  EXPECT_EQ(registry->CloseSession(0), 0);

  std::array<std::uint8_t, 1200> toc{};
  ASSERT_TRUE(registry->ReadToc(0, 1200, toc.data()));
  ASSERT_TRUE(registry->ReadSessions(0));
  const TocSession& session = registry->discToc.sessions[0];
  ASSERT_EQ(session.trackCount(), 3);
  EXPECT_EQ(session.TrackStart(1) - session.TrackStart(0), 48 + 2 + 150);
  EXPECT_EQ(session.TrackLength(2), 80 + 2);
  std::vector<std::uint8_t> audio(32 * 2352);
  ASSERT_EQ(registry->ReadSectors(0, session.TrackStart(1) - 150, 16, audio.data(), 2352, 0x10), 0);
  EXPECT_TRUE(std::equal(audio.begin(), audio.begin() + 16 * 2352, tracks[1].begin()));
  registry->EjectDisc(0);
  registry->CloseDevice(0);

  ASSERT_EQ(finished.size(), 1u);
  const ToolRun info = RunTool("cd-info --no-device-info --no-analyze --cue-file " + Quoted(finished[0]));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_EQ(CountOccurrences(info.output, " audio "), 3) << info.output;
  EXPECT_NE(info.output.find("CD-DA"), std::string::npos) << info.output;

  const ToolRun converted =
      RunTool("cd " + Quoted(folder.path()) + " && bchunk -w " + Quoted(BinOf(finished[0])) + " " + Quoted(finished[0]) + " song");
  ASSERT_EQ(converted.status, 0) << converted.output;
  for (std::size_t index = 0; index < lengths.size(); ++index) {
    const fs::path wav = folder.path() / ("song0" + std::to_string(index + 1) + ".wav");
    const auto bytes = FileBytes(wav);
    ASSERT_GE(bytes.size(), 44 + tracks[index].size()) << wav;
    EXPECT_TRUE(std::equal(tracks[index].begin(), tracks[index].end(), bytes.begin() + 44)) << wav;
  }
}

TEST_F(RegistryBurn, Mode2DiscWithFormOneAndFormTwoTracks) {
  ASSERT_TRUE(registry->OpenDevice(0));
  const std::uint8_t noSubheader[4] = {0, 0, 0, 0};
  SetWriting(0, 1, 0x20, 10, 0x40, 4, noSubheader);
  WriteBlocks(0, registry->GetTrackStartAddress(0, 1), Pattern(64, 2048, 1), 2048);
  EXPECT_TRUE(registry->SynchronizeCache(0));
  EXPECT_EQ(registry->CloseTrack(0, 1), 0);

  const std::uint8_t mpegSubheader[4] = {1, 1, 0x62, 0x0F};
  SetWriting(0, 1, 0x20, 13, 0x40, 4, mpegSubheader);
  std::vector<std::uint8_t> blocks = Pattern(40, 2332, 2);
  for (std::size_t block = 0; block < 40; ++block) {
    const bool empty = block < 5;
    const std::uint8_t subheader[8] = {1, static_cast<std::uint8_t>(empty ? 0 : 1),
                                       static_cast<std::uint8_t>(empty ? 0x60 : 0x62), static_cast<std::uint8_t>(empty ? 0 : 0x0F),
                                       1, static_cast<std::uint8_t>(empty ? 0 : 1),
                                       static_cast<std::uint8_t>(empty ? 0x60 : 0x62), static_cast<std::uint8_t>(empty ? 0 : 0x0F)};
    std::copy(subheader, subheader + 8, blocks.begin() + static_cast<std::ptrdiff_t>(block * 2332));
  }
  const std::int32_t second = registry->GetTrackStartAddress(0, 2);
  EXPECT_EQ(second, 64 + 2 + 150);
  WriteBlocks(0, second, blocks, 2332);
  EXPECT_TRUE(registry->SynchronizeCache(0));
  EXPECT_EQ(registry->CloseTrack(0, 2), 0);
  EXPECT_EQ(registry->CloseSession(0), 0);

  std::int32_t sessions = 0;
  std::int32_t lastTrack = 0;
  std::uint32_t status = 0;
  ASSERT_TRUE(registry->GetDiscInfo(0, &sessions, &lastTrack, &status));
  EXPECT_EQ(lastTrack, 2);
  EXPECT_NE(status & 0x1000u, 0u);  // CD-ROM XA
  EXPECT_NE(status & 0x4u, 0u);     // complete
  registry->EjectDisc(0);
  registry->CloseDevice(0);

  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(finished[0]), "");
  const ToolRun info = RunTool("cd-info --no-device-info --no-analyze --cue-file " + Quoted(finished[0]));
  EXPECT_EQ(info.status, 0) << info.output;
  EXPECT_NE(info.output.find("CD DATA (Mode 2)"), std::string::npos) << info.output;
  EXPECT_EQ(CountOccurrences(info.output, " XA "), 2) << info.output;
  const ToolRun converted = RunTool("cd " + Quoted(folder.path()) + " && bchunk " + Quoted(BinOf(finished[0])) + " " +
                                Quoted(finished[0]) + " vcd");
  EXPECT_EQ(converted.status, 0) << converted.output;
  EXPECT_TRUE(fs::exists(folder.path() / "vcd02.iso")) << converted.output;
}

TEST_F(RegistryBurn, AppendedSessionIsReadAsTwoSessions) {
  ASSERT_TRUE(registry->OpenDevice(0));
  SetWriting(0, 1, 0x00, 8, 0xC0, 4);
  WriteBlocks(0, registry->GetTrackStartAddress(0, 1), Pattern(100, 2048, 1), 2048);
  EXPECT_EQ(registry->CloseSession(0), 0);
  EXPECT_TRUE(registry->IsDiscAppendable(0));
  const int track = registry->GetLastTrackNumber(0);
  EXPECT_EQ(track, 2);
  const std::int32_t start = registry->GetTrackStartAddress(0, track);
  EXPECT_EQ(start, 102 + 11400);
  SetWriting(0, 1, 0x00, 8, 0x00, 4);
  WriteBlocks(0, start, Pattern(20, 2048, 2), 2048);
  EXPECT_EQ(registry->CloseSession(0), 0);
  ASSERT_TRUE(registry->ReadSessions(0));
  ASSERT_EQ(registry->discToc.sessionCount(), 2);
  const TocSession& second = registry->discToc.sessions[1];
  // The second session starts where the first session's B0 pointer said.
  EXPECT_EQ(second.startMinute * 4500 + second.startSecond * 75 + second.startFrame, 102 + 11250 + 150);
  EXPECT_EQ(second.tracks[0].trackNumber, 2);
  EXPECT_FALSE(registry->IsDiscAppendable(0));
  registry->EjectDisc(0);
  registry->CloseDevice(0);
  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(testsupport::CheckCueImageDataTracks(finished[0]), "");
}

TEST_F(RegistryBurn, DvdIsWrittenSessionAtOnceIntoAnIso) {
  const auto iso = MakeIsoImage();
  ASSERT_TRUE(registry->OpenDevice(1));
  ASSERT_TRUE(registry->IsDiscBlank(1));
  SetWriting(1, 2, 0x00, 8, 0x00, 4);
  const auto blocks = static_cast<std::int32_t>(iso.size() / 2048);
  EXPECT_EQ(registry->ReserveTrack(1, blocks), 0);
  WriteBlocks(1, registry->GetTrackStartAddress(1, 1), iso, 2048, true);
  EXPECT_TRUE(registry->SynchronizeCache(1));
  EXPECT_FALSE(registry->IsDiscAppendable(1));
  EXPECT_EQ(registry->ReadCapacity(1), blocks - 1);
  registry->EjectDisc(1);
  registry->CloseDevice(1);

  ASSERT_EQ(finished.size(), 1u);
  EXPECT_EQ(finished[0].extension(), ".iso");
  EXPECT_EQ(FileBytes(finished[0]), iso);
  const ToolRun listing = RunTool("isoinfo -f -i " + Quoted(finished[0]));
  EXPECT_NE(listing.output.find("HELLO.TXT"), std::string::npos) << listing.output;
  EXPECT_EQ(recorders[1]->DescribeTray(), "blank DVD-R (4.7 GB)");
}

TEST_F(RegistryBurn, RetriesGetPastInjectedWriteFaults) {
  recorders[0]->ArmFault(ParseFaultSpec("WRITE10:count=2").spec.value());
  recorders[0]->ArmFault(ParseFaultSpec("bufferfull:3").spec.value());
  ASSERT_TRUE(registry->OpenDevice(0));
  SetWriting(0, 1, 0x00, 8, 0x00, 4);
  WriteBlocks(0, 0, Pattern(16, 2048, 1), 2048);
  EXPECT_EQ(sleeper.Count(std::chrono::milliseconds(200)), 3);
  EXPECT_EQ(sleeper.Count(std::chrono::milliseconds(1000)), 2);
  EXPECT_TRUE(prompt.questions.empty());
  registry->CloseDevice(0);
}

}  // namespace
}  // namespace brenmark::virtualdrive::testing
