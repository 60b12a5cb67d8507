#pragma once

#include "jobs/burn/BurnSequence.h"
#include "jobs/Job.h"

namespace brenmark {

// Burns the job's source files as a Video CD on the job's drive: track 1 with
// the file system and control files, then one MPEG track per file, track at
// once. A single file larger than the disc is spread over several discs, each
// filled to its last block, the user asked (WaitForUser) for each further
// blank; without one the job fails, saying how many bytes were not written.
// Every file is opened, measured and checked before the drive is touched.
JobEnd VcdJob(JobContext& context);

// The texts the Video CD job shows.
namespace vcdjobtext {
inline constexpr const char* kNoDrive = burntext::kNoDrive;
inline constexpr const char* kNoFiles = "You have not add any video files.\nBurning process will be terminated.";
inline constexpr const char* kNoSourceInformation =
    "Error retrieving information about source file.\nBurning process will be terminated.";
inline constexpr const char* kNoDeviceAccess = burntext::kNoDeviceAccess;
inline constexpr const char* kDiscNotEmpty =
    "Disc in the destination device is not empty.\nBurning process will be terminated.";
inline constexpr const char* kNeedsMoreDiscs = "The video file you have selected need more than one CD-R/RW disc.";
inline constexpr const char* kSpeedRefused = "Can't select writing speed. The default speed will be used.";
inline constexpr const char* kWriteModeRefused =
    "Error occure while selecting writing mode.\nBurning process will be terminated.";
inline constexpr const char* kInsertAnotherDisc =
    "The video file was longer then CD Capacity.\nPlease Insert another blank CD-R/RW into drive to burn "
    "another\npart of video file and then press OK button.";
inline constexpr const char* kNoCapacity = "Can't read the capacity of the disc.";
inline constexpr const char* kNoTrackStart = burntext::kNoTrackInformation;
inline constexpr const char* kTerminated = burntext::kTerminated;
inline constexpr const char* kDone = "Video CD is Done.";
inline constexpr const char* kFailed = "Video CD burning failed.";
}  // namespace vcdjobtext

}  // namespace brenmark
