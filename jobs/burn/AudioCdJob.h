#pragma once

#include "jobs/burn/BurnSequence.h"
#include "jobs/Job.h"

namespace brenmark {

// Burns the job's WAV files as the audio tracks of a CD on the job's drive,
// one track at once per file in list order, then closes the session and
// ejects the disc. Nothing is written when the recorder or its disc cannot
// take CD tracks (a DVD), or when any file of the list cannot be opened or is
// not CD audio.
JobEnd AudioCdJob(JobContext& context);

// The texts the audio CD job shows.
namespace audiojobtext {
inline constexpr const char* kDiscNotWritable =
    "Disc in the destination device is not empty.\nBurning process will be terminated.";
inline constexpr const char* kSpeedRefused =
    "Can't select writing speed. The default speed will be used.\nIt may take much more time then you "
    "expected.";
inline constexpr const char* kWriteModeRefused =
    "Error occure while selecting writing mode.\nThe burning process will be terminated.";
inline constexpr const char* kCannotOpenSource = "Error opening source stream.\nBurning process will be terminated.";
// %s: the file's path.
inline constexpr const char* kNotCdAudio = "File %s not WAV file with PCM format - 16 bit, stereo, 44.1khz.";
inline constexpr const char* kCloseSessionFailed =
    "Error occure while closing last session. As the result disc might have incomplete session and might be "
    "unreadable.";
inline constexpr const char* kDone = "Audio CD is done.";
}  // namespace audiojobtext

}  // namespace brenmark
