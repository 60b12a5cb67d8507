#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include "audio/GrabbedTrack.h"
#include "jobs/Job.h"

namespace brenmark::audio {

// What the grab job is given besides its inputs: where the MP3 encoder library
// is, who hears of each file written (on the job thread), how many threads
// encode MP3 tracks, and where the free space of the output folder is learnt.
struct GrabOptions {
  std::filesystem::path encoderLibrary;  // empty: the library beside the program
  std::function<void(const GrabbedTrack&)> onTrackWritten;
  // Empty: one per processor. 0: the job thread encodes each read as it
  // comes, before it reads on.
  std::optional<int> encoderThreads;
  // Empty: the file system's own figure.
  std::function<std::optional<std::uint64_t>(const std::filesystem::path& folder)> availableSpace;
};

// Copies the selected audio tracks of the disc in the job's drive into
// track%02d.wav (or .mp3) files in the output folder, with grab.log beside
// them. Each file has its name once it is complete; files already at those
// names are replaced only as the settings' existingOutputs says. Before the
// first track is read, a missing output folder is created (asking first when
// the settings' missingFolder says so, and only when it can be made), and the
// folder must take files, hold nothing but files at the output names and
// have room for them all. A track whose read is given up keeps what was read
// as track%02d.incomplete.wav (or .mp3), the grab goes on with the next
// tracks and ends failed naming it. A stop request ends the grab once the
// track being read is, keeping every file read completely.
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
inline constexpr const char* kFolderNotWritable = "Files cannot be created in the output folder:\n";
inline constexpr const char* kOutputsNotFiles =
    "These output names are taken by entries that are not files, which a grab does not replace: ";
inline constexpr const char* kNoRoom = "There is not enough free space for the grabbed files.";
inline constexpr const char* kLeftoversFound = "Files left in the output folder by an interrupted grab: ";
inline constexpr const char* kLeftoversRemoved =
    "Files left in the output folder by an interrupted grab are removed: ";
inline constexpr const char* kLeftoversNotRemoved = "These could not be removed: ";
inline constexpr const char* kIncompleteTracks =
    "The read of these tracks was given up; what was read of them is kept: ";
inline constexpr const char* kStoppedByUser = "Stopped by the user.";
}  // namespace grabtext

}  // namespace brenmark::audio
