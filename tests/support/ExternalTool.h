#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace brenmark::testsupport {

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error, as printed
};

// Runs a shell command line, such as one of the independent image tools.
inline ToolRun RunTool(const std::string& command) {
  ToolRun run;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return run;
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) run.output.append(chunk, got);
  run.status = ::pclose(pipe);
  return run;
}

// A path as one shell word.
inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

}  // namespace brenmark::testsupport
