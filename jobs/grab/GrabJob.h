#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "audio/GrabbedTrack.h"
#include "jobs/Job.h"

namespace brenmark::audio {

// What the grab job is given besides its inputs: where the MP3 encoder library
// is, and who hears of each file written (on the job thread).
struct GrabOptions {
  std::filesystem::path encoderLibrary;  // empty: the library beside the program
  std::function<void(const GrabbedTrack&)> onTrackWritten;
};

// Copies the selected audio tracks of the disc in the job's drive into
// track%02d.wav (or .mp3) files in the output folder, with grab.log beside
// them. Each file has its name once it is complete; files already at those
// names are replaced only as the settings' existingOutputs says. A missing
// output folder is created (asking first when the settings' missingFolder
// says so) before the first track is read.
JobProcedure MakeGrabJob(GrabOptions options);
JobEnd GrabJob(JobContext& context);

// The texts the grab job shows.
namespace grabtext {
inline constexpr const char* kTerminated = "\nGrabbing process will be terminated.";
inline constexpr const char* kNoDrive = "Can't detect the selected CD Device.\nGrabbing process will be terminated.";
inline constexpr const char* kNoDeviceAccess =
    "Can't get access to CD/DVD Device.\nGrabbing process will be terminated.";
inline constexpr const char* kTocUnreadable =
    "Error occure while retrieving tracks information.\nGrabbing process will be terminated.";
inline constexpr const char* kCannotCreateWav =
    "Unable to create output WAV file.\nGrabbing process will be terminated.";
inline constexpr const char* kCannotCreateMp3 =
    "Unable to create output MP3 file.\nGrabbing process will be terminated.";
inline constexpr const char* kEncoderNotLoaded = "Error loading MP3 encoder.\nGrabbing process will be terminated.";
inline constexpr const char* kEncoderFunctionMissing =
    "Unable to get MP3 encoder interfaces.\nGrabbing process will be terminated.";
inline constexpr const char* kStreamNotOpened =
    "Error opening encoding stream.\nGrabbing process will be terminated.";
inline constexpr const char* kOutOfMemory =
    "Out of memory. Can't allocate buffers for MP3 encoding.\nGrabbing process will be terminated.";
inline constexpr const char* kEncodingError = "Encoding error occure.\nGrabbing process will be terminated.";
inline constexpr const char* kWriteDataFailed =
    "Error writing data to output file.\nGrabbing process will be terminated.";
inline constexpr const char* kStreamNotClosed = "Error closing stream.\nGrabbing process will be terminated.";
inline constexpr const char* kWriteFlushFailed = "Error writing to output file.\nGrabbing process will be terminated.";
inline constexpr const char* kNotNamed =
    "The grabbed file could not be given its name.\nGrabbing process will be terminated.";
inline constexpr const char* kReplaceQuestion = "%d files in the folder would be replaced. Replace them?";
inline constexpr const char* kReplaceOneQuestion = "1 file in the folder would be replaced. Replace it?";
inline constexpr const char* kOutputsExist = "These files are in the output folder already and are not replaced: ";
inline constexpr const char* kLogNotAFile = "grab.log in the output folder is a link or not a regular file; it is not written through.";
inline constexpr const char* kTagNotWritten =
    "Error writing MP3 header to output file.\nGrabbing process will be terminated.";
inline constexpr const char* kNoAudioTrack =
    "None of the chosen tracks is an audio track on this disc: no track was grabbed.";
inline constexpr const char* kInitializing = "Initializing disc format...";
inline constexpr const char* kCreateFolderQuestion = "The folder %s does not exist. Create it?";
inline constexpr const char* kFolderNotCreated = "The output folder could not be created: ";
inline constexpr const char* kNotAFolder = "The output folder is not a folder: ";
}  // namespace grabtext

}  // namespace brenmark::audio
