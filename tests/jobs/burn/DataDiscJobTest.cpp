// The data disc jobs run against the virtual recorders with a test front end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "jobs/EndingLine.h"
#include "jobs/burn/BurnSequence.h"
#include "jobs/burn/DvdWriteStrategy.h"
#include "jobs/burn/VerifyReport.h"
#include "tests/endtoend/VirtualBench.h"

namespace brenmark::endtoend {
namespace {

namespace fs = std::filesystem;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

// The folder of the worked example: Data/readme.txt (100 bytes), Data/Sub/a.txt (5000 bytes).
struct WorkedExample {
  WorkedExample() {
    WritePatternFile(folder.path() / "Data" / "readme.txt", 100, 1);
    WritePatternFile(folder.path() / "Data" / "Sub" / "a.txt", 5000, 2);
  }
  fs::path data() const { return folder.path() / "Data"; }
  ScratchFolder folder{"worked"};
};

TEST(DataDiscJob, BurnsTheWorkedExampleToCdStepByStep) {
  WorkedExample example;
  VirtualBench bench;
  const auto tree = VirtualBench::TreeOf(example.data());
  const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *tree, 0, 7056);
  EXPECT_EQ(outcome.result, JobEnd::Done);
  EXPECT_THAT(bench.prompt.messages(), IsEmpty());

  std::vector<std::string> expected = {"DISCINFO", "TRACKINFO 1", "TRACKINFO 1", "SETSPEED 7056",
                                       "MODESENSE 5", "MODESELECT"};
  for (int lba = 0; lba < 33; ++lba) {
    expected.push_back("BUFFERCAPACITY");
    expected.push_back("WRITE10 " + std::to_string(lba) + " 1");
  }
  for (const char* word : {"SYNCCACHE", "CLOSE 2", "STARTSTOP"}) expected.push_back(word);
  EXPECT_THAT(Describe(bench.commands(VirtualBench::kCdDrive)), ElementsAreArray(expected));

  EXPECT_THAT(outcome.progress->statuses(),
              ElementsAre("Initializing disc format...", "Analizing Directory Structure...",
                          "Creating Directory Records...", "Creating Directory Records...",
                          "Creating CD File System...", "Preparing Burning...", "Writing Data To CD...",
                          "Synchronizing Cache...", "Closing Disk Session...", "Disc burned."));
  const auto calls = outcome.progress->calls();
  EXPECT_EQ(calls.front(), "close off");
  EXPECT_EQ(calls.back(), "close on");
  EXPECT_EQ(outcome.progress->position(), 33);
  // The front end's tree is left as it was; the job laid out its own copy.
  EXPECT_EQ(tree->entries().front()->isoExtent, 0u);
  EXPECT_EQ(bench.finishedImages().size(), 1u);
}

TEST(DataDiscJob, BurnsADvdSessionAtOnceAfterReservingItsTrack) {
  WorkedExample example;
  VirtualBench bench;
  const auto outcome = bench.Burn(DataDvdJob, VirtualBench::kDvdDrive, *VirtualBench::TreeOf(example.data()), 0, 5540);
  EXPECT_EQ(outcome.result, JobEnd::Done);
  // The medium's profile and whether it is blank choose the strategy first.
  std::vector<std::string> expected = {"GETCONFIG",     "DISCINFO",    "DISCINFO",   "TRACKINFO 1", "TRACKINFO 1",
                                       "SETSPEED 5540", "MODESENSE 5", "MODESELECT", "RESERVE 33"};
  for (int lba = 0; lba < 33; ++lba) expected.push_back("WRITE12 " + std::to_string(lba) + " 1");
  for (const char* word : {"SYNCCACHE", "STARTSTOP"}) expected.push_back(word);
  EXPECT_THAT(DescribeWithoutBufferPolls(bench.commands(VirtualBench::kDvdDrive)),
              ElementsAreArray(expected));
  const auto statuses = outcome.progress->statuses();
  EXPECT_THAT(std::vector<std::string>(statuses.end() - 2, statuses.end()),
              ElementsAre("Closing Session...", "Disc burned."));
}

TEST(DataDiscJob, TheDvdWriteStrategyFollowsTheMedium) {
  struct Case {
    std::uint16_t profile;
    bool blank;
    bool leaveOpen;
    DvdWriteStrategy strategy;
  };
  for (const Case& c : {Case{0x0011, true, false, DvdWriteStrategy::DiscAtOnce},
                        Case{0x0011, true, true, DvdWriteStrategy::Incremental},
                        Case{0x0014, false, false, DvdWriteStrategy::Incremental},
                        Case{0x001B, true, false, DvdWriteStrategy::Incremental},
                        Case{0x001A, true, false, DvdWriteStrategy::Overwrite},
                        Case{0x0013, false, true, DvdWriteStrategy::Overwrite},
                        Case{0x0000, true, true, DvdWriteStrategy::DiscAtOnce}}) {
    EXPECT_EQ(ChooseDvdWriteStrategy(c.profile, c.blank, c.leaveOpen), c.strategy) << std::hex << c.profile;
  }
}

// Each stop before writing: its message, its result, and not one write.
TEST(DataDiscJob, EachStopBeforeWritingEndsWithItsMessageAndWritesNothing) {
  const struct {
    const char* fault;  // armed on the CD recorder
    JobEnd result;
    std::string message;
    int drive = VirtualBench::kCdDrive;
  } stops[] = {
      {"", JobEnd::NoDrive, datajobtext::kNoDrive, -1},
      {"MODESELECT10", JobEnd::WriteModeRefused, datajobtext::kWriteModeRefused},
      {"MODESENSE10", JobEnd::WriteModeRefused, datajobtext::kWriteModeRefused},
      // Unanswered, not told as a disc that is full.
      {"READDISCINFORMATION:always", JobEnd::NoDriveInformation,
       "Can't read the disc information. The drive answered: 4/44/00 internal target failure.\nBurning process will "
       "be terminated."},
      // A session start of 0 taken from a failed answer would misplace the whole image.
      {"READTRACKINFORMATION", JobEnd::NoDriveInformation,
       "Can't read the track information of the disc. The drive answered: 4/44/00 internal target failure.\nBurning "
       "process will be terminated."},
  };
  for (const auto& stop : stops) {
    SCOPED_TRACE(stop.fault);
    WorkedExample example;
    VirtualBench bench;
    auto& recorder = bench.recorder(VirtualBench::kCdDrive);
    if (*stop.fault) recorder.ArmFault(*virtualdrive::ParseFaultSpec(stop.fault).spec);
    const auto outcome = bench.Burn(DataCdJob, stop.drive, *VirtualBench::TreeOf(example.data()));
    EXPECT_EQ(outcome.result, stop.result);
    ASSERT_FALSE(bench.prompt.messages().empty());
    EXPECT_EQ(bench.prompt.messages().back().text, stop.message);
    EXPECT_EQ(bench.prompt.messages().back().icon, MessageIcon::Error);
    EXPECT_THAT(Writes(bench.commands(recorder)), IsEmpty());
    EXPECT_EQ(bench.commands(recorder).empty(), stop.drive < 0);  // without a drive, no command at all
    EXPECT_EQ(outcome.progress->calls().back(), "close on");
    EXPECT_FALSE(bench.registry->IsOpen(VirtualBench::kCdDrive));
  }
}

// A DVD in a CD burn, or a CD in a DVD burn, is refused before anything is
// sent that writes, naming the medium; the disc stays in the tray as it was.
TEST(DataDiscJob, AMediumOfTheOtherKindIsRefusedBeforeWriting) {
  using virtualdrive::MediumKind;
  const struct {
    JobEnd (*job)(JobContext&);
    int drive;
    MediumKind blank;
    std::string message;
  } rows[] = {
      {DataCdJob, VirtualBench::kDvdDrive, MediumKind::DvdPlusRw, "The disc in the recorder is a DVD+RW, not a CD"},
      {DataCdJob, VirtualBench::kDvdDrive, MediumKind::DvdR, "The disc in the recorder is a DVD-R, not a CD"},
      {DataDvdJob, VirtualBench::kDvdDrive, MediumKind::CdR, "The disc in the recorder is a CD-R, not a DVD"},
      {DataDvdJob, VirtualBench::kCdDrive, MediumKind::CdRw, "The disc in the recorder is a CD-RW, not a DVD"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    WorkedExample example;
    VirtualBench bench;
    auto& recorder = bench.recorder(row.drive);
    ASSERT_TRUE(recorder.InsertBlank(row.blank).ok);
    const std::string tray = recorder.DescribeTray();
    EXPECT_EQ(bench.Burn(row.job, row.drive, *VirtualBench::TreeOf(example.data())).result, JobEnd::DiscNotWritable);
    ASSERT_EQ(bench.prompt.texts().size(), 1u);
    EXPECT_THAT(bench.prompt.texts()[0], HasSubstr(row.message));
    EXPECT_THAT(Describe(bench.commands(recorder)), Not(Contains(AnyOf(HasSubstr("RESERVE"), HasSubstr("MODESELECT")))));
    EXPECT_THAT(Writes(bench.commands(recorder)), IsEmpty());
    EXPECT_EQ(recorder.DescribeTray(), tray);
  }
}

TEST(DataDiscJob, AnEmptyTrayIsToldAsNoDiscNotAsACompletedOne) {
  WorkedExample example;
  VirtualBench bench;
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);
  ASSERT_TRUE(recorder.RemoveDisc().ok);
  bench.trace->Clear();
  const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(example.data()));
  EXPECT_EQ(outcome.result, JobEnd::NoDisc);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  EXPECT_EQ(bench.prompt.messages()[0].text, burntext::kNoDisc);
  // The first told the disc was taken out (unit attention), the second that none is in.
  EXPECT_THAT(Describe(bench.commands(recorder)), ElementsAre("DISCINFO", "DISCINFO"));
}

// A step around the writing that the drive refuses makes the burn a failure,
// and the disc is still closed and ejected as far as the drive lets it.
TEST(DataDiscJob, ARefusedStepFailsTheBurnButStillClosesAndEjects) {
  const struct {
    JobProcedure job;
    int drive;
    const char* fault;
    const char* message;  // part of the one message shown
    std::size_t writes;
    std::vector<std::string> lastCommands;
  } steps[] = {
      {DataCdJob, VirtualBench::kCdDrive, "SYNCHRONIZECACHE", "4/44/00 internal target failure", 33,
       {"SYNCCACHE", "CLOSE 2", "STARTSTOP"}},
      {DataDvdJob, VirtualBench::kDvdDrive, "RESERVETRACK", datajobtext::kReserveFailed, 0,
       {"RESERVE 33", "SYNCCACHE", "STARTSTOP"}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.fault);
    WorkedExample example;
    VirtualBench bench;
    auto& recorder = bench.recorder(step.drive);
    recorder.ArmFault(*virtualdrive::ParseFaultSpec(step.fault).spec);
    const auto outcome = bench.Burn(step.job, step.drive, *VirtualBench::TreeOf(example.data()));
    EXPECT_EQ(outcome.result, JobEnd::BurnFailed);
    ASSERT_EQ(bench.prompt.messages().size(), 1u);
    EXPECT_THAT(bench.prompt.messages()[0].text, HasSubstr(step.message));
    EXPECT_EQ(Writes(bench.commands(recorder)).size(), step.writes);
    const auto commands = DescribeWithoutBufferPolls(bench.commands(recorder));
    ASSERT_GE(commands.size(), step.lastCommands.size());
    EXPECT_EQ(std::vector<std::string>(commands.end() - static_cast<std::ptrdiff_t>(step.lastCommands.size()),
                                       commands.end()),
              step.lastCommands);
    EXPECT_EQ(outcome.progress->statuses().back(), datajobtext::kBurnFailed);
    EXPECT_EQ(outcome.progress->calls().back(), "close on");
  }
}

// A disc burned before, closed or left with an open session, is refused
// before anything is computed, and named for what it is.
TEST(DataDiscJob, AWrittenDiscIsRefusedBeforeAnythingIsComputed) {
  const struct {
    const char* firstBurnFault;
    JobEnd firstBurn;
    std::string message;
  } rows[] = {
      {"", JobEnd::Done, datajobtext::kDiscNotWritable},
      {"CLOSETRACKSESSION:always", JobEnd::BurnFailed, burntext::kUnfinishedDisc},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    WorkedExample example;
    VirtualBench bench;
    const auto tree = VirtualBench::TreeOf(example.data());
    auto& recorder = bench.recorder(VirtualBench::kCdDrive);
    if (*row.firstBurnFault) recorder.ArmFault(*virtualdrive::ParseFaultSpec(row.firstBurnFault).spec);
    ASSERT_EQ(bench.Burn(DataCdJob, VirtualBench::kCdDrive, *tree).result, row.firstBurn);
    recorder.ClearFaults();
    ASSERT_TRUE(recorder.InsertImage(bench.finishedImages().at(0)).ok);
    bench.trace->Clear();

    const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *tree);
    EXPECT_EQ(outcome.result, JobEnd::DiscNotWritable);
    EXPECT_EQ(bench.prompt.messages().back().text, row.message);
    // The first met by the unit attention of the disc just inserted; then
    // blank, appendable, rewritable (it is not: no question), last session open.
    EXPECT_THAT(Describe(bench.commands(recorder)),
                ElementsAre("DISCINFO", "DISCINFO", "DISCINFO", "DISCINFO", "DISCINFO"));
    EXPECT_THAT(outcome.progress->statuses(),
                ElementsAre("Initializing disc format...", "Analizing Directory Structure..."));
  }
}

// A written CD-RW is offered for blanking, fast or full: cancelled it is
// refused, else blanked as chosen (BLANK type 1 minimal, 0 the whole disc).
TEST(DataDiscJob, AWrittenRewritableDiscIsBlankedAsChosen) {
  const struct {
    int choice;
    JobEnd result;
    std::vector<int> blankTypes;
  } rows[] = {{-1, JobEnd::DiscNotWritable, {}}, {0, JobEnd::Done, {1}}, {1, JobEnd::Done, {0}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.choice);
    WorkedExample example;
    VirtualBench bench;
    const auto tree = VirtualBench::TreeOf(example.data());
    auto& recorder = bench.recorder(VirtualBench::kCdDrive);
    ASSERT_TRUE(recorder.InsertBlank(virtualdrive::MediumKind::CdRw, 0).ok);
    ASSERT_EQ(bench.Burn(DataCdJob, VirtualBench::kCdDrive, *tree).result, JobEnd::Done);
    ASSERT_TRUE(recorder.InsertImage(bench.finishedImages().at(0)).ok);
    bench.trace->Clear();
    bench.prompt.choice = row.choice;

    EXPECT_EQ(bench.Burn(DataCdJob, VirtualBench::kCdDrive, *tree).result, row.result);
    EXPECT_THAT(bench.prompt.questions(), ElementsAre(burntext::kBlankQuestion));
    std::vector<int> blankTypes;
    for (const auto& command : bench.commands(recorder)) {
      if (command.opcode() == 0xA1) blankTypes.push_back(command.cdb[1] & 0x07);
    }
    EXPECT_EQ(blankTypes, row.blankTypes);
  }
}

TEST(DataDiscJob, AnImageLargerThanTheFreeSpaceIsRefusedWithoutWriting) {
  ScratchFolder folder("large");
  fs::create_directories(folder.path() / "big");
  {
    std::ofstream sparse(folder.path() / "big" / "huge.bin", std::ios::binary);
  }
  fs::resize_file(folder.path() / "big" / "huge.bin", 800'000'000);  // sparse: costs no disk space
  VirtualBench bench;
  const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(folder.path() / "big"));
  EXPECT_EQ(outcome.result, JobEnd::DoesNotFit);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  EXPECT_THAT(bench.prompt.messages()[0].text, HasSubstr("does not fit on the disc"));
  // 27 sectors before the file, 390625 of it, and the two run-out blocks.
  EXPECT_THAT(bench.prompt.messages()[0].text, HasSubstr("needs 390654 sectors (763 MB), the disc has"));
  const auto commands = Describe(bench.commands(VirtualBench::kCdDrive));
  EXPECT_THAT(commands, ElementsAre("DISCINFO", "TRACKINFO 1", "TRACKINFO 1"));
  EXPECT_THAT(bench.finishedImages(), IsEmpty());
}

TEST(DataDiscJob, AWriteGivenUpStillFinishesTheDiscButReportsTheFailure) {
  WorkedExample example;
  VirtualBench bench(/*answerYes=*/false);
  bench.recorder(VirtualBench::kCdDrive).ArmFault(*virtualdrive::ParseFaultSpec("WRITE10:from=20").spec);
  const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(example.data()));
  EXPECT_EQ(outcome.result, JobEnd::BurnFailed);
  EXPECT_THAT(bench.prompt.questions(), ElementsAre("Error writing sector 20.\nTry again?"));
  const auto commands = DescribeWithoutBufferPolls(bench.commands(VirtualBench::kCdDrive));
  // A write error on a CD-R goes to the question at once, once the medium is known to be one.
  EXPECT_THAT(std::vector<std::string>(commands.end() - 5, commands.end()),
              ElementsAre("WRITE10 20 1", "DISCINFO", "SYNCCACHE", "CLOSE 2", "STARTSTOP"));
  const auto statuses = outcome.progress->statuses();
  EXPECT_EQ(statuses.back(), datajobtext::kBurnFailed);
  EXPECT_THAT(statuses, ::testing::Not(::testing::Contains(std::string(datajobtext::kBurned))));
  EXPECT_EQ(outcome.progress->calls().back(), "close on");
}

// A first burn on an overwritable DVD that ends before its last block leaves
// no file system at block 16 whose files point at data never written, for a
// later burn to carry on as if whole; a burn that completes gets its descriptors.
TEST(DataDiscJob, AnOverwriteBurnGetsItsDescriptorsOnlyOnceItsFilesAreWritten) {
  for (const bool fails : {true, false}) {
    SCOPED_TRACE(fails ? "the write fails" : "the write completes");
    ScratchFolder folder("overwrite");
    WritePatternFile(folder.path() / "Data" / "big.bin", 400 * 2048, 7);
    VirtualBench bench(/*answerYes=*/false);
    auto& recorder = bench.recorder(VirtualBench::kDvdDrive);
    ASSERT_TRUE(recorder.InsertBlank(virtualdrive::MediumKind::DvdPlusRw).ok);
    if (fails) recorder.ArmFault(*virtualdrive::ParseFaultSpec("WRITE12:always:from=200").spec);
    const auto outcome = bench.Burn(DataDvdJob, VirtualBench::kDvdDrive, *VirtualBench::TreeOf(folder.path() / "Data"));
    EXPECT_EQ(outcome.result, fails ? JobEnd::BurnFailed : JobEnd::Done);
    ASSERT_EQ(bench.finishedImages().size(), 1u);
    const std::string image = ReadWholeFile(bench.finishedImages()[0]);
    ASSERT_GE(image.size(), 17u * 2048);
    EXPECT_EQ(image.substr(16 * 2048, 6) == std::string("\x01" "CD001"), !fails);
  }
}

TEST(DataDiscJob, ASourceFileGoneSinceTheScanStopsTheWritingAtThatFile) {
  WorkedExample example;
  VirtualBench bench;
  const auto tree = VirtualBench::TreeOf(example.data());
  fs::remove(example.data() / "Sub" / "a.txt");
  const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *tree);
  EXPECT_EQ(outcome.result, JobEnd::BurnFailed);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  // The file's path on a line of its own after the message.
  EXPECT_EQ(bench.prompt.messages()[0].text,
            WithDetail(datajobtext::kCannotOpenSource, (example.data() / "Sub" / "a.txt").string()));
  const auto writes = Writes(bench.commands(VirtualBench::kCdDrive));
  ASSERT_FALSE(writes.empty());
  EXPECT_EQ(writes.back(), (Transfer{29, 1}));  // readme.txt; a.txt at 30 is never written
  EXPECT_EQ(outcome.progress->statuses().back(), datajobtext::kBurnFailed);
  EXPECT_EQ(bench.finishedImages().size(), 1u);
}

TEST(DataDiscJob, ARefusedSpeedIsOnlyReportedButAFailedCloseFailsTheBurn) {
  WorkedExample example;
  VirtualBench bench;
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);
  recorder.ArmFault(*virtualdrive::ParseFaultSpec("CLOSETRACKSESSION").spec);
  recorder.ArmFault(*virtualdrive::ParseFaultSpec("SETCDSPEED").spec);
  const auto outcome = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(example.data()));
  EXPECT_EQ(outcome.result, JobEnd::BurnFailed);
  const auto messages = bench.prompt.messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, datajobtext::kSpeedRefused);
  EXPECT_EQ(messages[0].icon, MessageIcon::Plain);
  EXPECT_EQ(messages[1].text, datajobtext::kCloseSessionFailed);
  EXPECT_EQ(messages[1].icon, MessageIcon::Plain);
  EXPECT_EQ(Writes(bench.commands(recorder)).size(), 33u);
  EXPECT_EQ(outcome.progress->statuses().back(), datajobtext::kBurnFailed);
}

// What is written for them is in StreamTest.
TEST(DataDiscJob, FilesThatGrewSinceTheScanGiveOneWarningAndTheBurnGoesOn) {
  ScratchFolder folder("changed");
  const fs::path root = folder.path() / "c";
  WritePatternFile(root / "1grows.bin", 3000, 1);
  WritePatternFile(root / "2grows.bin", 5000, 2);
  WritePatternFile(root / "3steady.bin", 4096, 3);
  VirtualBench bench;
  const auto tree = VirtualBench::TreeOf(root);
  WritePatternFile(root / "1grows.bin", 9000, 4);
  WritePatternFile(root / "2grows.bin", 6000, 5);

  const auto outcome = bench.Burn(DataDvdJob, VirtualBench::kDvdDrive, *tree);
  EXPECT_EQ(outcome.result, JobEnd::Done);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  EXPECT_EQ(bench.prompt.messages()[0].icon, MessageIcon::Plain);
  EXPECT_THAT(bench.prompt.messages()[0].text, HasSubstr("1grows.bin"));
}

// Its missing end would go to the disc as zeros: the burn fails, naming the
// file, and the disc is still finished and ejected.
TEST(DataDiscJob, AFileThatShrinksDuringTheBurnFailsIt) {
  WorkedExample example;
  VirtualBench bench;
  JobInputs inputs;
  inputs.sourceTree = VirtualBench::TreeOf(example.data());
  inputs.currentDrive = VirtualBench::kCdDrive;
  const fs::path shrinking = example.data() / "Sub" / "a.txt";
  auto progress = std::make_shared<test::ActingProgress>("Writing Data To CD...",
                                                         [&shrinking] { fs::resize_file(shrinking, 1000); });
  auto job = bench.runner->Start(DataCdJob, std::move(inputs), progress);
  ASSERT_NE(job, nullptr);
  job->Wait();

  EXPECT_EQ(job->result(), JobEnd::BurnFailed);
  ASSERT_EQ(bench.prompt.messages().size(), 1u);
  EXPECT_EQ(bench.prompt.messages()[0].text, WithDetail(datajobtext::kSourceShrunk, shrinking.string()));
  EXPECT_EQ(bench.prompt.messages()[0].icon, MessageIcon::Error);
  const auto commands = DescribeWithoutBufferPolls(bench.commands(VirtualBench::kCdDrive));
  EXPECT_THAT(std::vector<std::string>(commands.end() - 3, commands.end()),
              ElementsAre("SYNCCACHE", "CLOSE 2", "STARTSTOP"));
  EXPECT_EQ(progress->record.statuses().back(), datajobtext::kBurnFailed);
}

TEST(DataDiscJob, RunsOnItsOwnInputsWhileTheFrontEndMovesOn) {
  WorkedExample example;
  VirtualBench bench;
  JobState state;
  state.sourceTree = VirtualBench::TreeOf(example.data());
  bench.registry->currentDrive = VirtualBench::kCdDrive;
  state.writeSpeed = 1411;

  // The job waits at its first status until the front end has changed everything.
  std::promise<void> open;
  auto progress = std::make_shared<test::ActingProgress>(
      "Initializing disc format...", [gate = open.get_future().share()] { gate.wait(); });
  auto job = bench.runner->Start(DataCdJob, SnapshotJobInputs(state, *bench.registry), progress);
  ASSERT_NE(job, nullptr);

  state.sourceTree.reset();
  bench.registry->currentDrive = VirtualBench::kDvdDrive;
  state.writeSpeed = 176;
  open.set_value();
  job->Wait();

  EXPECT_EQ(job->result(), JobEnd::Done);
  EXPECT_EQ(progress->record.statuses().back(), datajobtext::kBurned);
  const auto cdCommands = Describe(bench.commands(VirtualBench::kCdDrive));
  EXPECT_THAT(cdCommands, ::testing::Contains("SETSPEED 1411"));
  EXPECT_EQ(Writes(bench.commands(VirtualBench::kCdDrive)).size(), 33u);
  EXPECT_THAT(bench.commands(VirtualBench::kDvdDrive), IsEmpty());
}

TEST(DataDiscJob, TwoJobsOnTwoDrivesRunAtOnce) {
  WorkedExample example;
  VirtualBench bench;
  JobState state;
  state.sourceTree = VirtualBench::TreeOf(example.data());
  bench.registry->currentDrive = VirtualBench::kCdDrive;
  auto cd = bench.runner->Start(DataCdJob, SnapshotJobInputs(state, *bench.registry),
                                std::make_shared<test::RecordingProgress>());
  bench.registry->currentDrive = VirtualBench::kDvdDrive;
  auto dvd = bench.runner->Start(DataDvdJob, SnapshotJobInputs(state, *bench.registry),
                                 std::make_shared<test::RecordingProgress>());
  ASSERT_NE(cd, nullptr);
  ASSERT_NE(dvd, nullptr);
  cd->Wait();
  dvd->Wait();
  EXPECT_EQ(cd->result(), JobEnd::Done);
  EXPECT_EQ(dvd->result(), JobEnd::Done);
  EXPECT_EQ(bench.finishedImages().size(), 2u);
}

// The error messages a bench's prompt was shown.
std::string ErrorsOf(const VirtualBench& bench) {
  std::string text;
  for (const auto& message : bench.prompt.messages()) {
    if (message.icon == MessageIcon::Error) text += message.text + "\n";
  }
  return text;
}

// A verified second session: its own files compared with what was written,
// the first session's file only read; a block stored with a flipped byte is
// named by the file that holds it, at the place the image shows the flip, and
// a block the drive cannot read is told as unreadable.
TEST(DataDiscJob, VerifyNamesTheFileThatDiffersOrCannotBeRead) {
  ScratchFolder first("verify-first");
  ScratchFolder second("verify-second");
  WritePatternFile(first.path() / "old.bin", 40 * 2048, 1);
  WritePatternFile(second.path() / "a.txt", 100, 2);
  // More blocks than one read-back chunk: the flipped block is found while the next chunk is read.
  WritePatternFile(second.path() / "big.bin", 2600 * 2048, 3);
  // A burned folder is a folder of the disc's root.
  const std::string oldBin = "/" + first.path().filename().string() + "/old.bin";
  const std::string aTxt = "/" + second.path().filename().string() + "/a.txt";
  const std::string bigBin = "/" + second.path().filename().string() + "/big.bin";
  VirtualBench bench;
  bench.verify = true;
  auto& recorder = bench.recorder(VirtualBench::kCdDrive);

  const auto clean = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(first.path()), 1);
  EXPECT_EQ(clean.result, JobEnd::Done) << ErrorsOf(bench);
  EXPECT_EQ(clean.progress->statuses().back(), "Verified: 1 file, 0.1 MB, no differences.");
  EXPECT_THAT(clean.progress->statuses(), testing::Contains("Verifying file 1 of 1..."));
  const fs::path firstImage = bench.finishedImages().at(0);
  const fs::path firstLog = firstImage.parent_path() / (firstImage.stem().string() + ".verify.log");
  EXPECT_THAT(ReadWholeFile(firstLog), HasSubstr("same        " + oldBin + "\n"));
  // Private, as the image beside it is.
  EXPECT_EQ(fs::status(firstLog).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

  ASSERT_TRUE(recorder.InsertImage(firstImage).ok);
  // The second session starts 11,400 blocks after the first one's lead-out, some 60 blocks in.
  recorder.ArmFault(*virtualdrive::ParseFaultSpec("WRITE10:from=11700:corrupt").spec);
  const auto corrupt = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(second.path()), 0);
  EXPECT_EQ(corrupt.result, JobEnd::VerifyFailed);
  const std::string errors = ErrorsOf(bench);
  EXPECT_THAT(errors, HasSubstr("Verification failed: 1 file differs: " + bigBin + " (first difference within bytes "));
  // Where the flipped byte lies in the file, found in the image itself.
  const fs::path iso = bench.discs.path() / "second.iso";
  ExtractMode1UserData(BinOf(bench.finishedImages().at(1)), iso);
  const std::string image = ReadWholeFile(iso);
  const std::string big = ReadWholeFile(second.path() / "big.bin");
  const std::size_t extent = image.find(big.substr(0, 2048));
  ASSERT_NE(extent, std::string::npos);
  std::size_t flipped = 0;
  while (flipped < big.size() && image[extent + flipped] == big[flipped]) ++flipped;
  ASSERT_LT(flipped, big.size());
  const std::size_t blockStart = flipped / 2048 * 2048;
  EXPECT_THAT(errors, HasSubstr("within " + ByteRangeText(blockStart, 2048) + ")"));
  const fs::path secondImage = bench.finishedImages().at(1);
  const std::string log = ReadWholeFile(secondImage.parent_path() / (secondImage.stem().string() + ".verify.log"));
  EXPECT_THAT(log, HasSubstr("same        " + aTxt + "\n"));
  EXPECT_THAT(log, HasSubstr("same        " + oldBin + " (earlier session)\n"));
  EXPECT_THAT(log, HasSubstr("DIFFERS     " + bigBin));

  bench.prompt.Forget();
  recorder.ArmFault(*virtualdrive::ParseFaultSpec("READ12:from=400").spec);
  const auto unreadable = bench.Burn(DataCdJob, VirtualBench::kCdDrive, *VirtualBench::TreeOf(second.path()), 0);
  EXPECT_EQ(unreadable.result, JobEnd::VerifyFailed);
  EXPECT_THAT(ErrorsOf(bench), HasSubstr("Verification failed: 1 file could not be read: " + bigBin + " (blocks "));
  EXPECT_THAT(bench.prompt.questions(), testing::Contains(testing::StartsWith("Error reading sector")));
}

}  // namespace
}  // namespace brenmark::endtoend
