#pragma once

#include "jobs/burn/BurnSequence.h"
#include "jobs/Job.h"

namespace brenmark {

// Burns the job's source tree as an ISO 9660 + Joliet data disc on the job's
// drive: track at once on CD, session at once on DVD. On an appendable disc
// the new session also holds the last session's files. Nothing is written
// without the track's start; a refused reservation or cache synchronisation
// fails the burn after closing what can be closed.
JobEnd DataCdJob(JobContext& context);
JobEnd DataDvdJob(JobContext& context);

// The texts the data disc job shows.
namespace datajobtext {
inline constexpr const char* kNoDrive = burntext::kNoDrive;
inline constexpr const char* kNoDeviceAccess = burntext::kNoDeviceAccess;
inline constexpr const char* kDiscNotWritable =
    "Disk is not empty and have completed status.\nBurning process will be terminated.";
inline constexpr const char* kNoRoot =
    "Can't detect the root of the disc filesystem.\nBurning process will be terminated.";
inline constexpr const char* kStructureError =
    "Detected error in file structure organizing.\nBurning process will be terminated.";
inline constexpr const char* kDepthTruncated =
    "The deep of the directory structure is grater then 8 levels, it will be truncated down to 8 "
    "levels.";
inline constexpr const char* kSpeedRefused =
    "Can't select writing speed. Default speed will be used. \nSo it might be taken much more time "
    "then you expected.";
inline constexpr const char* kWriteModeRefused =
    "Error occure while selecting writing mode.\nBurning process will be terminated.";
inline constexpr const char* kCannotOpenSource =
    "Can't open source file.\nBurning process will be terminated.";
inline constexpr const char* kCannotReadSource =
    "Can't read source file.\nBurning process will be terminated.";
inline constexpr const char* kSourceShrunk =
    "A source file became shorter while it was being written.\nBurning process will be terminated.";
inline constexpr const char* kCloseSessionFailed = "Error Closing Session";
inline constexpr const char* kNoTrackInformation = burntext::kNoTrackInformation;
inline constexpr const char* kReserveFailed = "Can't reserve the track for the data on the disc.";
inline constexpr const char* kFormatFailed = "Can't format the disc.";
inline constexpr const char* kDescriptorsNotRewritten =
    "The new files were written, but the disc's volume descriptors could not be rewritten to include them.";
inline constexpr const char* kSyncFailed = "The drive could not write the data from its cache to the disc.";
inline constexpr const char* kTerminated = burntext::kTerminated;
inline constexpr const char* kBurned = "Disc burned.";
inline constexpr const char* kDvdClosed =
    "A DVD is written in one session at once: the disc has been closed and cannot take more sessions.";
inline constexpr const char* kBurnFailed = burntext::kBurnFailed;
}  // namespace datajobtext

}  // namespace brenmark
