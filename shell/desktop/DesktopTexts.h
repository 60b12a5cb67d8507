#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jobs/JobEnd.h"
#include "shell/desktop/JobKind.h"

namespace brenmark {

// What the desktop front ends say in their main window, whatever toolkit
// draws it.
namespace desktoptext {

inline constexpr const char* kApplicationName = "Brenmark";
inline constexpr const char* kFolderBrowserTitle = "Choose a folder:";
inline constexpr const char* kNoFolderMessage = "You have not select a folder to burn on disc.";
inline constexpr const char* kNoOutputFolderMessage = "Please select output folder to store files.";
inline constexpr const char* kWritesNoCdsReason = "The recorder chosen does not write CDs.";
inline constexpr const char* kWritesNoDvdsReason = "The recorder chosen does not write DVDs.";
inline constexpr const char* kScanRunsReason = "The folder is being scanned.";
inline constexpr const char* kClearEndedJobs = "Clear Ended Jobs";
inline constexpr const char* kDiscReportName = "Disc Information";
inline constexpr const char* kDeviceReportName = "Device Information";
inline constexpr const char* kLeaveDuringJobQuestion =
    "A job is still running.\n"
    "If you leave now, Brenmark closes its main window, finishes the job and then quits.\n"
    "Do you want to leave?";

// The name a progress window gives a job the main window started.
std::string JobName(desktop::JobKind kind);

// A report window's title: "<report> - <drive>", or the report alone without a drive.
std::string ReportTitle(const std::string& report, const std::string& driveName);

// The line that says how a job ended: it did everything it was asked (Done),
// the user stopped it, or it ended short otherwise.
std::string OutcomeText(JobEnd end);

// The status line of a job that failed while its last status still said what
// it was doing (empty, or ending in "..."): "Stopped at: <that step>"; nothing
// when the last status already tells how it ended.
std::optional<std::string> StoppedStatusText(const std::string& lastStatus);

// The line that follows it when the job's recorder kept the disc as `image`.
std::string KeptImageText(const std::string& image);

// A file list as the Jobs menu names it: the first file, and how many follow.
std::string SourceFilesText(const std::vector<std::string>& files);

// "<folder> is not a folder." for a folder typed by hand.
std::string NotAFolderMessage(const std::string& typed);

// `text` of at most `limit` characters (UTF-8): a longer one keeps its start
// and its end, the middle replaced by "...", so that a path keeps its drive
// or root and its last names.
std::string ElideMiddle(const std::string& text, std::size_t limit);

// The grab's output folder that takes no new files, and the system's reason.
std::string OutputNotWritableMessage(const std::string& folder, const std::string& reason);

// Where "Order" looked for the documentation when it found none.
std::string DocumentationMissingMessage(const std::string& expected);

}  // namespace desktoptext
}  // namespace brenmark
