// A 74-minute audio disc grabbed from the virtual CD recorder, against the
// tools a user would otherwise take: `bchunk -w` on the same .bin/.cue for
// WAV, and `lame -b 128` on the WAV files bchunk wrote for MP3 at 128 kbit/s.
// A 10-track disc grabbed to MP3 with its tracks encoded beside the reads
// (one encoder per processor), against the grab that encodes each read before
// the next (one thread) and against lame on its WAV files; and a shorter one
// read at the drive's real pace, as MP3 and as WAV (the drive's read alone).
// Dirty pages are flushed before every timed run. The images are generated once
// under $BRENMARK_BENCH_DIR (default: a temporary folder removed at the end).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "jobs/grab/GrabJob.h"
#include "bench/jobs/BenchSupport.h"
#include "virtualdrive/VirtualRecorder.h"
#include "virtualdrive/VirtualRecorderProvider.h"

namespace {

namespace fs = std::filesystem;
using namespace brenmark;
using bench::BenchRoot;
using bench::RunTool;

constexpr std::size_t kSectorBytes = 2352;
constexpr int kCdDrive = bench::VirtualRecorderRig::kCdDrive;

// A disc of `tracks` tracks of `sectorsPerTrack` each, generated as "name".
struct DiscShape {
  const char* name;
  int tracks;
  int sectorsPerTrack;
};
constexpr DiscShape kFullDisc{"disc", 20, 74 * 60 * 75 / 20};  // 74 minutes in all
constexpr DiscShape kTenTracks{"ten-tracks", 10, 2 * 60 * 75};  // 2 minutes each
constexpr DiscShape kPacedDisc{"paced", 10, 30 * 75};           // 30 seconds each

// Music-like audio: a chord whose notes change per track, with a little noise.
void WriteTrack(std::ofstream& bin, int track, int sectors) {
  std::vector<std::int16_t> samples(kSectorBytes / 2 * 75);  // one second
  std::uint32_t noise = 12345u + static_cast<std::uint32_t>(track);
  const double base = 110.0 * std::pow(2.0, track / 12.0);
  for (int second = 0; second < sectors / 75; ++second) {
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
      const double t = (second * 44100.0 + static_cast<double>(i)) / 44100.0;
      noise = noise * 1664525u + 1013904223u;
      const double left = 6000 * std::sin(2 * M_PI * base * t) + 4000 * std::sin(2 * M_PI * base * 1.5 * t);
      const double right = 6000 * std::sin(2 * M_PI * base * 1.25 * t) + static_cast<double>(noise >> 22) - 512;
      samples[2 * i] = static_cast<std::int16_t>(left);
      samples[2 * i + 1] = static_cast<std::int16_t>(right);
    }
    bin.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * 2));
  }
}

fs::path DiscImage(const DiscShape& shape = kFullDisc) {
  const fs::path folder = BenchRoot() / shape.name;
  const fs::path sheet = folder / "disc.cue";
  if (fs::exists(folder / "complete")) return sheet;
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream bin(folder / "disc.bin", std::ios::binary);
  std::string text = "FILE \"disc.bin\" BINARY\n";
  for (int track = 1; track <= shape.tracks; ++track) {
    const int start = (track - 1) * shape.sectorsPerTrack;
    char lines[96];
    std::snprintf(lines, sizeof lines, "  TRACK %02d AUDIO\n    INDEX 01 %02d:%02d:%02d\n", track, start / 4500,
                  start / 75 % 60, start % 75);
    text += lines;
    WriteTrack(bin, track, shape.sectorsPerTrack);
  }
  std::ofstream(sheet) << text;
  std::ofstream{folder / "complete"};
  return sheet;
}

void FreshFolder(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  sync();
}

// How a grab of the benchmarks runs: at the drive's real pace or at once,
// and with how many encoder threads (empty: one per processor).
struct GrabRun {
  DiscShape shape = kFullDisc;
  virtualdrive::Pace pace = virtualdrive::Pace::Fast;
  std::optional<int> encoderThreads;
};

// Every track of the disc, as brenmark-cli grab runs it. The recorder keeps
// the image in its tray between runs, so it is inserted once beforehand.
void GrabDisc(benchmark::State& state, audio::GrabFormat format, const GrabRun& run = {}) {
  const fs::path discs = BenchRoot() / "recorders";
  const fs::path out = BenchRoot() / "grabbed";
  {
    virtualdrive::VirtualRecorderProvider provider(discs);
    virtualdrive::VirtualRecorder& recorder = *provider.recorders()[kCdDrive];
    if (!recorder.InsertImage(DiscImage(run.shape)).ok || !recorder.SetPace(run.pace).ok) {
      state.SkipWithError("the image or the pace was refused");
      return;
    }
  }
  bench::VirtualRecorderRig rig(discs);
  audio::GrabOptions options;
  options.encoderLibrary = BRENMARK_ENCODER_PATH;
  options.encoderThreads = run.encoderThreads;
  FreshFolder(out);
  for (auto _ : state) {
    JobInputs inputs;
    inputs.currentDrive = kCdDrive;
    inputs.outputFolder = out.string();
    std::fill_n(inputs.trackSelected.begin(), run.shape.tracks, std::uint8_t{1});
    inputs.grabSettings.format = format;
    if (!rig.Burn(audio::MakeGrabJob(options), std::move(inputs))) {
      state.SkipWithError("the grab did not complete");
      break;
    }
    state.PauseTiming();
    FreshFolder(out);
    state.ResumeTiming();
  }
  // The audio's own time, for the speed of the grab as a multiple of it.
  state.counters["audio_seconds"] = run.shape.tracks * run.shape.sectorsPerTrack / 75.0;
  fs::remove_all(discs);
}

// bchunk's WAV files of a disc, made once, for lame to encode.
fs::path BchunkWavs(const DiscShape& shape = kFullDisc) {
  const fs::path wavs = BenchRoot() / (std::string(shape.name) + "-bchunk-wavs");
  if (fs::exists(wavs / "complete")) return wavs;
  FreshFolder(wavs);
  const fs::path cue = DiscImage(shape);
  RunTool({"bchunk", "-w", (cue.parent_path() / "disc.bin").string(), cue.string(), (wavs / "track").string()});
  std::ofstream{wavs / "complete"};
  return wavs;
}

void BM_Wav_GrabFromVirtualCd(benchmark::State& state) { GrabDisc(state, audio::GrabFormat::Wav); }

void BM_Wav_Bchunk(benchmark::State& state) {
  const fs::path cue = DiscImage();
  const fs::path out = BenchRoot() / "bchunk";
  FreshFolder(out);
  for (auto _ : state) {
    if (!RunTool({"bchunk", "-w", (cue.parent_path() / "disc.bin").string(), cue.string(), (out / "track").string()})) {
      state.SkipWithError("bchunk failed");
      break;
    }
    state.PauseTiming();
    FreshFolder(out);
    state.ResumeTiming();
  }
}

void BM_Mp3At128_GrabFromVirtualCd(benchmark::State& state) { GrabDisc(state, audio::GrabFormat::Mp3); }

// lame on each WAV file of the disc, one after another, as a user runs it.
void LameOnTheWavs(benchmark::State& state, const DiscShape& shape) {
  const fs::path wavs = BchunkWavs(shape);
  const fs::path out = BenchRoot() / "lame";
  FreshFolder(out);
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(wavs)) {
    if (entry.path().extension() == ".wav") inputs.push_back(entry.path());
  }
  for (auto _ : state) {
    for (const fs::path& wav : inputs) {
      if (!RunTool({"lame", "--quiet", "-b", "128", wav.string(), (out / wav.filename()).replace_extension(".mp3").string()})) {
        state.SkipWithError("lame failed");
        break;
      }
    }
    state.PauseTiming();
    FreshFolder(out);
    state.ResumeTiming();
  }
}

void BM_Mp3At128_LameOnTheWavs(benchmark::State& state) { LameOnTheWavs(state, kFullDisc); }

void BM_Mp3At128_TenTracks_EncodedAsRead(benchmark::State& state) {
  GrabDisc(state, audio::GrabFormat::Mp3, {kTenTracks, virtualdrive::Pace::Fast, 0});
}
void BM_Mp3At128_TenTracks_EncodedBesideTheReads(benchmark::State& state) {
  GrabDisc(state, audio::GrabFormat::Mp3, {kTenTracks, virtualdrive::Pace::Fast, std::nullopt});
}
void BM_Mp3At128_TenTracks_LameOnTheWavs(benchmark::State& state) { LameOnTheWavs(state, kTenTracks); }
void BM_Wav_Paced_TheDrivesRead(benchmark::State& state) {
  GrabDisc(state, audio::GrabFormat::Wav, {kPacedDisc, virtualdrive::Pace::Real, std::nullopt});
}
void BM_Mp3At128_Paced_EncodedBesideTheReads(benchmark::State& state) {
  GrabDisc(state, audio::GrabFormat::Mp3, {kPacedDisc, virtualdrive::Pace::Real, std::nullopt});
}

BENCHMARK(BM_Wav_GrabFromVirtualCd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Wav_Bchunk)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Mp3At128_GrabFromVirtualCd)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Mp3At128_LameOnTheWavs)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Mp3At128_TenTracks_EncodedAsRead)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Mp3At128_TenTracks_EncodedBesideTheReads)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Mp3At128_TenTracks_LameOnTheWavs)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Wav_Paced_TheDrivesRead)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Mp3At128_Paced_EncodedBesideTheReads)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
