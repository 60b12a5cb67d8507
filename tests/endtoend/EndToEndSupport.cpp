#include "tests/endtoend/EndToEndSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace brenmark::endtoend {

ProcessOutput RunProgram(const std::vector<std::string>& argv) {
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
  // Everything the child needs is prepared before the fork: it may only make
  // async-signal-safe calls until exec.
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int nullIn = open("/dev/null", O_RDONLY);
    dup2(nullIn, 0);
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);

  ProcessOutput output;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&output.out, &output.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(child, &status, 0);
  output.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return output;
}

ProcessOutput ExtractImage(const std::filesystem::path& iso, std::int32_t session,
                           const std::filesystem::path& target) {
  std::vector<std::string> extract = {"xorriso", "-abort_on", "FAILURE"};
  if (session != 0) extract.insert(extract.end(), {"-load", "sbsector", std::to_string(session)});
  extract.insert(extract.end(),
                 {"-indev", iso.string(), "-osirrox", "on", "-extract", "/", target.string()});
  return RunProgram(extract);
}

ProcessOutput MakeVcdStream(const std::filesystem::path& path, int seconds, const std::string& target) {
  const bool ntsc = target == "ntsc-vcd";
  const std::string duration = "duration=" + std::to_string(seconds);
  return RunProgram({"ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                     "testsrc=" + duration + (ntsc ? ":size=352x240:rate=29.97" : ":size=352x288:rate=25"), "-f",
                     "lavfi", "-i", "sine=" + duration, "-target", target, path.string()});
}

void WritePatternFile(const std::filesystem::path& path, std::uint64_t size, std::uint32_t seed) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  std::mt19937 generator(seed);
  std::string chunk;
  while (size > 0) {
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(size, 65536));
    chunk.resize(length);
    for (char& c : chunk) c = static_cast<char>(generator());
    file.write(chunk.data(), static_cast<std::streamsize>(length));
    size -= length;
  }
}

std::vector<std::filesystem::path> ListFiles(const std::filesystem::path& root) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.push_back(std::filesystem::relative(entry.path(), root));
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

}  // namespace brenmark::endtoend
