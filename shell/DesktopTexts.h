#pragma once

#include <string>

#include "jobs/JobEnd.h"

namespace brenmark {

// What the desktop front ends say in their main window, whatever toolkit
// draws it.
namespace desktoptext {

inline constexpr const char* kApplicationName = "Brenmark";
inline constexpr const char* kFolderBrowserTitle = "Choose a folder:";
inline constexpr const char* kNoFolderMessage = "You have not select a folder to burn on disc.";
inline constexpr const char* kNoOutputFolderMessage = "Please select output folder to store files.";
inline constexpr const char* kLeaveDuringJobQuestion =
    "A job is still running.\n"
    "If you leave now, Brenmark closes its main window, finishes the job and then quits.\n"
    "Do you want to leave?";

// The name a progress window gives the job started by the main window's
// command `commandId` (1003 Burn CD ... 1007 grab).
std::string JobName(int commandId);

// The line that says how a job ended (`result` 0: it did everything it was asked).
std::string OutcomeText(JobEnd result);

// "<folder> is not a folder." for a folder typed by hand.
std::string NotAFolderMessage(const std::string& typed);

// Where "Order" looked for the documentation when it found none.
std::string DocumentationMissingMessage(const std::string& expected);

}  // namespace desktoptext
}  // namespace brenmark
