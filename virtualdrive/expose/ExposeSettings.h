#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brenmark::expose {

// What `brenmark-cli expose` hands the programs it runs, through their
// environment: where each virtual recorder appears as a device node, the
// folder holding the recorders' discs, the faults to arm in them, and the
// file their commands are traced to.
struct ExposeSettings {
  std::string cdPath;   // empty: the CD recorder is not shown
  std::string dvdPath;  // empty: the DVD recorder is not shown
  std::filesystem::path dataFolder;
  std::vector<std::string> faults;  // in the text form of --fault
  std::filesystem::path traceFile;  // empty: not traced
};

// The file name of the preloaded library that shows the recorders.
inline constexpr const char* kExposeLibraryName = "brenmark-expose.so";

// The variables to set for the command: the settings (the trace file only
// when there is one), the device list the SG_IO provider reads, and
// LD_PRELOAD with `library` (as PreloadEntry names it) before what
// `currentPreload` (the caller's LD_PRELOAD, possibly empty) names.
std::vector<std::pair<std::string, std::string>> ExposeVariables(const ExposeSettings& settings,
                                                                 const std::filesystem::path& library,
                                                                 const std::string& currentPreload);

// `library` as LD_PRELOAD names it. With a 32-bit build beside it
// (preload/lib/i386-linux-gnu/, the 64-bit one linked as
// preload/lib/x86_64-linux-gnu/), through the dynamic linker's $LIB, so that
// each program loads the one of its own kind; else the library itself.
std::string PreloadEntry(const std::filesystem::path& library);

// The settings from the environment as `lookup` reads it (getenv's contract:
// null when unset); nothing when no device is to be shown.
std::optional<ExposeSettings> ReadExposeSettings(const std::function<const char*(const char*)>& lookup);

// Where the program finds the library: beside itself, else as a private
// library of the installed package (lib/brenmark/ beside bin/).
std::filesystem::path DefaultExposeLibraryPath(const std::filesystem::path& programFolder);

}  // namespace brenmark::expose
