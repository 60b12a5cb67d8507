// `brenmark-cli expose` (Linux): runs a command with brenmark-expose.so
// preloaded (found beside the program, else in ../lib/brenmark/) and the
// environment that tells it the device paths, the data folder and the
// --fault options, and exits with the command's status.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "drive/CommandTraceFile.h"
#include "platform/Environment.h"
#include "platform/PrivateFolder.h"
#include "platform/SharedLibrary.h"
#include "platform/Terminal.h"
#include "platform/Utf8Path.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliSession.h"
#include "virtualdrive/VirtualRecorderProvider.h"
#include "virtualdrive/expose/ExposeSettings.h"

extern char** environ;

namespace brenmark::cli {
namespace {

namespace fs = std::filesystem;

// The statuses a shell gives a command that was not found, and one that could not be run.
constexpr int kExitNotFound = 127;
constexpr int kExitNotRun = 126;

// A device path the preloaded library can take: absolute, free of the list
// separator ':', and not a file of this system.
bool CheckDevicePath(CliSession& session, const std::string& path, const char* option) {
  if (path.empty() || path[0] != '/' || path.find(':') != std::string::npos) {
    session.Complain(std::string(option) + " needs an absolute path without ':', not " + path);
    return false;
  }
  std::error_code error;
  if (fs::symlink_status(platform::PathFromUtf8(path), error).type() != fs::file_type::not_found) {
    session.Complain(path + " exists on this system; choose a free path with " + option);
    return false;
  }
  return true;
}

// The environment of the command: the caller's, with the variables set.
std::vector<std::string> CommandEnvironment(const std::vector<std::pair<std::string, std::string>>& variables) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const bool replaced = std::any_of(variables.begin(), variables.end(), [&text](const auto& variable) {
      return text.size() > variable.first.size() && text.compare(0, variable.first.size(), variable.first) == 0 &&
             text[variable.first.size()] == '=';
    });
    if (!replaced) environment.emplace_back(text);
  }
  for (const auto& [name, value] : variables) environment.push_back(name + "=" + value);
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

int RunExpose(CliSession& session, const std::vector<std::string>& arguments) {
  expose::ExposeSettings settings{"/dev/sr90", "/dev/sr91", {}, session.options().faults, {}};
  std::size_t next = 0;
  while (next + 1 < arguments.size() && (arguments[next] == "--cd-as" || arguments[next] == "--dvd-as")) {
    (arguments[next] == "--cd-as" ? settings.cdPath : settings.dvdPath) = arguments[next + 1];
    next += 2;
  }
  std::vector<std::string> command(arguments.begin() + static_cast<std::ptrdiff_t>(next), arguments.end());
  if (command.empty() || command.front().rfind("--", 0) == 0) {
    session.Complain("expose needs a command to run after --");
    return kExitExposeFailed;
  }
  if (settings.cdPath == settings.dvdPath) {
    session.Complain("the CD and the DVD recorder need different paths");
    return kExitExposeFailed;
  }
  if (!CheckDevicePath(session, settings.cdPath, "--cd-as") || !CheckDevicePath(session, settings.dvdPath, "--dvd-as"))
    return kExitExposeFailed;

  std::error_code error;
  const fs::path data = session.options().dataDir ? platform::PathFromUtf8(*session.options().dataDir)
                                                  : virtualdrive::DefaultVirtualRecorderFolder();
  settings.dataFolder = fs::absolute(data, error);
  // Private whatever the umask: the recorders hold no disc in a folder others can write in.
  std::string folderError;
  platform::CreatePrivateFolders(settings.dataFolder, folderError);
  // --trace, else the environment's: the devices in the command's processes trace to it too.
  const fs::path trace = session.options().trace ? platform::PathFromUtf8(*session.options().trace)
                                                 : platform::PathFromEnvironment(kTraceVariable);
  if (!trace.empty()) settings.traceFile = fs::absolute(trace, error);
  const fs::path library = expose::DefaultExposeLibraryPath(platform::ExecutableFolder());
  if (!fs::exists(library, error)) {
    session.Complain("the library that shows the recorders is missing: " + platform::Utf8FromPath(library));
    return kExitExposeFailed;
  }

  platform::PrintText(session.err(), "virtual-cd: %s\nvirtual-dvd: %s\n", settings.cdPath.c_str(), settings.dvdPath.c_str());
  std::fflush(session.err());
  const char* preload = std::getenv("LD_PRELOAD");
  std::vector<std::string> environment =
      CommandEnvironment(expose::ExposeVariables(settings, library, preload == nullptr ? "" : preload));
  std::vector<char*> argv = Pointers(command);
  std::vector<char*> envp = Pointers(environment);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), envp.data());
  if (spawned != 0) {
    session.Complain("cannot run " + command.front() + ": " + std::strerror(spawned));
    return spawned == ENOENT ? kExitNotFound : kExitNotRun;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return kExitExposeFailed;
  }
  // A command ended by a signal gets the status a shell gives it.
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace brenmark::cli
