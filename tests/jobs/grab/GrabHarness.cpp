#include "tests/jobs/grab/GrabHarness.h"

#include <cstring>
#include <stdexcept>

#include "tests/endtoend/EndToEndSupport.h"

namespace brenmark::test {

GrabHarness::GrabHarness(std::vector<ImageTrack> imageTracks)
    : tracks(std::move(imageTracks)) {
  cue = WriteDiscImage(scratch.path(), "disc", tracks);
  const auto inserted = bench.recorder(drive).InsertImage(cue);
  if (!inserted.ok) throw std::runtime_error(inserted.message);
  folder = scratch.path() / "out";
  std::filesystem::create_directory(folder);
  bench.trace->Clear();
}

GrabHarness::Outcome GrabHarness::Grab(const std::vector<int>& selected, audio::GrabFormat format,
                                       std::int32_t bitrateKbps, audio::GrabOptions options) {
  JobInputs inputs;
  inputs.currentDrive = drive;
  inputs.outputFolder = folder.string();
  for (int track : selected) inputs.trackSelected[static_cast<std::size_t>(track - 1)] = 1;
  inputs.grabSettings.format = format;
  inputs.grabSettings.bitrateKbps = bitrateKbps;
  inputs.grabSettings.existingOutputs = existingOutputs;
  inputs.grabSettings.missingFolder = missingFolder;
  if (options.encoderLibrary.empty()) options.encoderLibrary = BRENMARK_ENCODER_PATH;
  Outcome outcome;
  outcome.progress = std::make_shared<RecordingProgress>();
  options.onTrackWritten = [&outcome, also = options.onTrackWritten](const audio::GrabbedTrack& track) {
    outcome.written.push_back(track);
    if (also) also(track);
  };
  JobProcedure grab = [this, procedure = audio::MakeGrabJob(options)](JobContext& context) {
    context.stopRequest = stop;
    return procedure(context);
  };
  auto job = bench.runner->Start(std::move(grab), std::move(inputs), outcome.progress);
  if (!job) throw std::runtime_error("the job did not start");
  job->Wait();
  outcome.result = job->result();
  return outcome;
}

std::vector<std::uint32_t> GrabHarness::TakeReadSizes() {
  std::vector<std::uint32_t> sizes;
  for (const auto& record : bench.commands(endtoend::VirtualBench::kCdDrive)) {
    if (record.opcode() == 0xBE) sizes.push_back(record.cdb[6] << 16 | record.cdb[7] << 8 | record.cdb[8]);
  }
  bench.trace->Clear();
  return sizes;
}

DecodedMp3 DecodeMp3(const std::filesystem::path& mp3, const std::filesystem::path& scratch) {
  const auto wav = scratch / (mp3.stem().string() + "-decoded.wav");
  const auto run = endtoend::RunProgram({"mpg123", "-w", wav.string(), mp3.string()});
  if (run.exitStatus != 0) throw std::runtime_error("mpg123 failed: " + run.err);
  DecodedMp3 decoded;
  // The stream's line, such as "MPEG 1.0 L III cbr128 44100 stereo".
  const auto layer = run.err.find(" L III ");
  if (layer != std::string::npos) {
    const auto line = run.err.rfind('\n', layer) + 1;
    decoded.stream = run.err.substr(line, run.err.find('\n', layer) - line);
  }
  const auto bytes = ReadBytes(wav);
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::uint32_t size = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 | static_cast<std::uint32_t>(bytes[at + 7]) << 24;
    if (std::memcmp(&bytes[at], "data", 4) == 0) {
      decoded.samples = std::min<std::uint64_t>(size, bytes.size() - at - 8) / 4;
      break;
    }
    at += 8 + size + (size & 1);
  }
  return decoded;
}

}  // namespace brenmark::test
