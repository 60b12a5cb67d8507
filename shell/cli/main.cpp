// brenmark-cli: the main window's functions for scripts and black-box tests.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "drive/CommandTraceFile.h"
#include "platform/CommandLine.h"
#include "platform/DataFolder.h"
#include "platform/Utf8Path.h"
#include "platform/Terminal.h"
#include "shell/DataFolderCheck.h"
#include "shell/cli/CliCommand.h"
#include "shell/cli/CliOptions.h"
#include "shell/cli/CliSession.h"
#include "virtualdrive/FaultInjector.h"

namespace {

using brenmark::cli::CliCommand;
using brenmark::cli::CliCommands;

// Only Windows has more than one way to reach real drives.
#if defined(_WIN32)
constexpr const char* kTransportHelp =
    "  --transport aspi|spti  how real drives are reached: the host-adapter library or the\n"
    "                      system's pass-through (default: by the system's version, or the\n"
    "                      BRENMARK_TRANSPORT variable)\n";
#else
constexpr const char* kTransportHelp = "";
#endif

void PrintHelp(std::FILE* out) {
  brenmark::platform::PrintText(out, "Usage:\n");
  for (const CliCommand& command : CliCommands()) {
    brenmark::platform::PrintText(out, "  brenmark-cli [OPTIONS] %.*s%s%.*s\n", static_cast<int>(command.name.size()),
                 command.name.data(), command.usage.empty() ? "" : " ",
                 static_cast<int>(command.usage.size()), command.usage.data());
  }
  brenmark::platform::PrintText(out, "\nCommands:\n");
  for (const CliCommand& command : CliCommands()) {
    std::string text(command.description);
    std::string indented;
    for (char c : text) {
      indented += c;
      if (c == '\n') indented += "      ";
    }
    brenmark::platform::PrintText(out, "  %.*s\n      %s\n", static_cast<int>(command.name.size()), command.name.data(),
                 indented.c_str());
  }
  brenmark::platform::PrintText(out,
               "\nOptions:\n"
               "  --drive INDEX|NAME  the recorder to use: its index in the drive list, or its name\n"
               "                      (the whole text, its beginning such as sr0, or a unique part).\n"
               "                      Without it: the drive the BRENMARK_DRIVE variable names the\n"
               "                      same way, else a virtual recorder (the DVD one for burn-dvd\n"
               "                      and an .iso larger than a CD, the CD one otherwise), so that\n"
               "                      a real drive is written only when it is named\n"
               "  --speed KBPS        write speed, one of the drive's listed speeds (default: the\n"
               "                      fastest, or 705 KB/s when the drive lists none)\n"
               "  --yes | --no        the answer to Yes/No questions when there is no terminal\n"
               "                      to ask on (without either: No). --yes answers Yes to at\n"
               "                      most 10 questions in one run (such as retrying a failed\n"
               "                      write), then No\n"
               "  --fault SPEC        arm the virtual recorders' fault injection for this run;\n"
               "                      may be given more than once. SPEC is\n"
               "                      COMMAND[:once|:always|:count=N][:after=N][:from=LBA][:sense=K/ASC/ASCQ]\n"
               "                      [:transport] (after=N: the first N such commands pass)\n"
               "                      [:host=HH] (HH: the host adapter status an exposed device reports)\n"
               "                      [:corrupt] (WRITE10/WRITE12: answers GOOD, stores the block\n"
               "                      at LBA with a byte flipped)\n"
               "                      or bufferfull:N|always; COMMAND is a name such as WRITE10,\n"
               "                      MODESELECT10, CLOSETRACKSESSION, or an opcode such as 0x2A;\n"
               "                      or readoffset=N: READ CD of audio gives the samples N later\n"
               "                      (earlier when negative), as a drive with a read offset does\n"
               "                      A fault no command met is reported at the end of the run\n"
               "  --data-dir DIR      where the virtual recorders keep their discs (default:\n"
               "                      %s)\n"
               "%s"
               "  --minutes N         with tray blank: the size of the blank CD-R, 21, 63, 74,\n"
               "                      80, 90 or 99 minutes (default 80); later ejects load the same\n"
               "  --trace FILE        add a line for every command sent to any drive to FILE: time,\n"
               "                      drive, command and its bytes, direction and length, outcome\n"
               "                      and duration (default: the file BRENMARK_TRACE names, if any)\n"
               "  --help              this text\n"
               "  --version           the program's version\n"
               "\nProgress goes to the standard error, as a bar on a terminal and as plain status\n"
               "lines otherwise; messages are printed there too. The path of every finished image\n"
               "a virtual recorder ejects is printed on the standard output, on a line of its own;\n"
               "a path holding a newline or another control character is printed in double quotes\n"
               "with C escapes (\\n, \\\", \\\\, \\xHH).\n"
               "The exit status is 0 when the command completed, 1 when it did not, 2 for a wrong\n"
               "command line; expose exits with COMMAND's status, or 125 when it failed itself.\n"
               "Ctrl+C stops a running burn or grab instead of ending the program at once: a burn\n"
               "first asks on the terminal what becomes of the disc (with --yes or --no, or with no\n"
               "terminal to ask on, the Ctrl+C is the answer), then stops before its next write,\n"
               "closes what it must and ejects the disc; a grab stops once the track it reads is\n"
               "finished, keeping the finished files; a verify stops before its next file or track.\n"
               "The job ends \"Stopped by the user.\" and the status is 1. A second Ctrl+C ends\n"
               "the program at once, unless the first one's question was answered n.\n"
               "\nThe data folder and the folders the recorders make in it are private to their user\n"
               "(mode 0700); one that another user owns or can write in is refused, naming it and\n"
               "the mend. The recorders never write through a link standing where one of their\n"
               "files goes. A burn's folder scan leaves out named pipes, sockets and devices, never\n"
               "enters a pseudo file system (/proc, /sys, /dev, ...) and enters each folder once,\n"
               "naming what it left out before anything is written. grab replaces no file already\n"
               "at an output name unless --overwrite or --yes is given.\n",
               brenmark::platform::ApplicationDataFolderDescription(), kTransportHelp);
}

}  // namespace

int main(int argc, char** argv) {
  brenmark::platform::UseUtf8Terminal();
  const std::vector<std::string> args = brenmark::platform::CommandLineArguments(argc, argv);
  std::string error;
  const auto options = brenmark::cli::ParseCommandLine(args, error);
  if (!options) {
    brenmark::platform::PrintText(stderr, "brenmark-cli: %s (see --help)\n", error.c_str());
    return brenmark::cli::kExitUsage;
  }
  if (options->version) {
    brenmark::platform::PrintText(stdout, "brenmark-cli %s\n", BRENMARK_VERSION);
    return brenmark::cli::kExitDone;
  }
  if (options->help) {
    PrintHelp(stdout);
    return brenmark::cli::kExitDone;
  }
  // What expose refuses before its command runs must not pass for the command's status.
  const auto refused = [&options](int status) {
    return options->command == "expose" ? brenmark::cli::kExitExposeFailed : status;
  };
  for (const std::string& fault : options->faults) {
    const auto parsed = brenmark::virtualdrive::ParseFaultSpec(fault);
    if (!parsed.spec) {
      brenmark::platform::PrintText(stderr, "brenmark-cli: --fault %s: %s\n", fault.c_str(), parsed.error.c_str());
      return refused(brenmark::cli::kExitUsage);
    }
  }
  if (options->command.empty()) {
    PrintHelp(stderr);
    return brenmark::cli::kExitUsage;
  }
  const auto commands = CliCommands();
  const auto command = std::find_if(commands.begin(), commands.end(),
                                    [&](const CliCommand& c) { return c.name == options->command; });
  if (command == commands.end()) {
    brenmark::platform::PrintText(stderr, "brenmark-cli: unknown command %s (see --help)\n", options->command.c_str());
    return brenmark::cli::kExitUsage;
  }
  if (options->minutes && options->command != "tray") {
    brenmark::platform::PrintText(stderr, "brenmark-cli: --minutes goes with tray blank (see --help)\n");
    return refused(brenmark::cli::kExitUsage);
  }
  if (options->dataDir) {
    const auto check = brenmark::CheckDataFolder(*options->dataDir, "--data-dir");
    if (check.verdict != brenmark::DataFolderCheck::Verdict::Usable) {
      brenmark::platform::PrintText(stderr, "brenmark-cli: %s\n", check.message.c_str());
      return refused(check.verdict == brenmark::DataFolderCheck::Verdict::Empty ? brenmark::cli::kExitUsage
                                                                               : brenmark::cli::kExitFailed);
    }
  }
  // A trace asked for on the command line is part of what the user wants of
  // the run: none is made without it.
  if (options->trace) {
    const auto path = brenmark::platform::PathFromUtf8(*options->trace);
    if (!brenmark::CommandTraceFile::Open(path, error)) {
      brenmark::platform::PrintText(stderr, "brenmark-cli: cannot trace the commands to %s: %s\n",
                                    options->trace->c_str(), error.c_str());
      return refused(brenmark::cli::kExitFailed);
    }
  }
  brenmark::cli::CliSession session(*options);
  const int status = command->run(session, options->arguments);
  session.ReportFaultsNeverMet();
  return status;
}
