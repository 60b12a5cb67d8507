#pragma once

namespace brenmark {

// How a job ended: one meaning, one value, whatever the job. The front ends
// tell Done from the rest; the values keep the numbers the data disc job has
// always ended with, and give every other meaning a number of its own.
enum class JobEnd : int {
  Done = 0,
  NoDrive = -1,                  // no drive chosen, or the chosen one is not in the table
  NothingToWrite = 1,            // no entries in the tree, no files in the list
  SourceUnreadable = 2,          // a source file's size or kind could not be read
  StructureError = 4,            // the image's structure could not be laid out
  NoDeviceAccess = 5,            // the drive could not be opened
  WriteModeRefused = 9,          // the drive refused the write parameters
  DiscNotWritable = 30,          // the disc cannot take this burn (not blank, or closed)
  DoesNotFit = 31,               // more than the disc's free space
  SourcesRefused = 32,           // what was given cannot be put on this kind of disc
  NoDriveInformation = 33,       // the drive did not tell a track's start, its room or the capacity
  NoDisc = 34,                   // the drive holds no disc
  UnreadableSourcesRefused = 35, // not burned without entries that cannot be read
  PreviousSessionRefused = 36,   // not appended without the files already on the disc
  BurnFailed = 40,               // writing began and did not complete
  VerifyFailed = 41,             // the disc was written, but reads back unlike what was written
  TocUnreadable = 50,            // the disc's table of contents could not be read
  OutputPathTooLong = 51,        // an output file's path is longer than the system takes
  OutputNotCreated = 52,         // an output file could not be created
  OutputWriteFailed = 53,        // writing an output file failed
  ReadGivenUp = 54,              // a read the user gave up
  EncoderFailed = 55,            // the encoder library missing or incomplete, or an encoder call failed
  NoAudioTrack = 56,             // none of the tracks asked for is an audio track on the disc
  OutputsExist = 57,             // files at the output names were not to be replaced
  StoppedByUser = 60,            // the user stopped the job; what was finished is kept
  Crashed = 99,                  // the job stopped on an error it did not expect; the user was told
};

}  // namespace brenmark
