#include "virtualdrive/TrayRestore.h"

#include <system_error>

#include "platform/TextFile.h"
#include "platform/Utf8Path.h"
#include "virtualdrive/TrayRecord.h"

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

namespace {

RestoredTray FromRecord(const RecorderModel& model, const fs::path& workFolder) {
  RestoredTray tray;
  tray.disc = DiscImage::Blank(model.blankKind, workFolder);
  const TrayRecordResult read = ReadTrayRecord(workFolder);
  if (!read.record) {
    if (!read.error.empty()) {
      tray.problem = read.error + "; a blank was loaded instead";
      ForgetTrayRecord(workFolder);
    }
    return tray;
  }
  const TrayRecord& record = *read.record;
  switch (record.content) {
    case TrayRecord::Content::Blank:
      tray.disc = DiscImage::Blank(record.blankKind, workFolder, record.blankMinutes);
      break;
    case TrayRecord::Content::Empty:
      tray.disc.reset();
      break;
    case TrayRecord::Content::Image: {
      if (!record.image.is_absolute()) {
        // Inserted by the program of the other system sharing this data folder:
        // the record stays for it, and no blank is burned in its stead here.
        tray.disc.reset();
        tray.problem = "the image in the tray, " + platform::Utf8FromPath(record.image) +
                       ", was inserted by a program that names files as another system does; the drive reports "
                       "no disc until the tray is loaded again";
        break;
      }
      DiscLoadResult loaded = DiscImage::Load(record.image, !IsCdMedium(model.blankKind), workFolder);
      tray.disc = std::move(loaded.disc);
      if (!tray.disc) {
        tray.problem = "the image in the tray, " + record.image.string() + ", cannot be read (" + loaded.error +
                       "); the drive reports no disc until the tray is loaded again";
      }
      break;
    }
  }
  return tray;
}

}  // namespace

RestoredTray RestoreTray(const RecorderModel& model, const fs::path& workFolder) {
  platform::RemoveLeftoverTemporaries(workFolder);
  DiscLoadResult resumed = DiscImage::Resume(workFolder);
  if (resumed.disc) return {std::move(resumed.disc), {}};
  if (resumed.error.empty()) return FromRecord(model, workFolder);

  RestoredTray tray;
  const std::string problem = "the disc in work could not be resumed (" + resumed.error + ")";
  std::string error;
  const auto keptAs = SetAsideWorkFiles(workFolder, error);
  if (!keptAs) {
    // Its files stay where they are; a blank would overwrite them.
    tray.problem = problem + " and its files could not be set aside (" + error +
                   "); the drive reports no disc until the tray is loaded again";
    return tray;
  }
  tray.problem = problem + "; its files were set aside as " + keptAs->string() + ".* and a blank was loaded";
  // The record may name what was in the tray before that disc; the blank replaces both.
  ForgetTrayRecord(workFolder);
  tray.disc = DiscImage::Blank(model.blankKind, workFolder);
  return tray;
}

TrayFilesSnapshot SnapshotTrayFiles(const fs::path& workFolder) {
  TrayFilesSnapshot snapshot;
  for (const char* name : {"tray", "disc.state", "disc.cue", "disc.bin", "disc.iso"}) {
    std::error_code code;
    const fs::path path = workFolder / name;
    const std::uintmax_t size = fs::file_size(path, code);
    const fs::file_time_type time = code ? fs::file_time_type{} : fs::last_write_time(path, code);
    snapshot.files.emplace_back(code ? 0 : size, code ? fs::file_time_type{} : time);
  }
  return snapshot;
}

}  // namespace brenmark::virtualdrive
