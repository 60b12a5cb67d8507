#pragma once

#include <filesystem>

#include "audio/Mp3EncoderInterface.h"
#include "platform/SharedLibrary.h"

namespace brenmark::mp3 {

// The encoder library loaded for one grab, with its six functions.
class EncoderLibrary {
 public:
  enum class LoadResult { Loaded, NotLoaded, FunctionMissing };

  // Loads the library file and looks up all six functions; on anything but
  // Loaded the library is unloaded again.
  LoadResult Load(const std::filesystem::path& path);

  BeVersionFunction beVersion = nullptr;
  BeInitStreamFunction beInitStream = nullptr;
  BeEncodeChunkFunction beEncodeChunk = nullptr;
  BeDeinitStreamFunction beDeinitStream = nullptr;
  BeCloseStreamFunction beCloseStream = nullptr;
  BeWriteVbrHeaderFunction beWriteVBRHeader = nullptr;

 private:
  platform::SharedLibrary library_;
};

// The encoder library for a program in programFolder: beside it when it is
// there (the build tree, and the Windows programs' installed layout), else in
// lib/brenmark/ beside the program's bin folder, where an installation keeps it.
// The path beside the program is returned when neither exists.
std::filesystem::path DefaultEncoderLibraryPath(
    const std::filesystem::path& programFolder = platform::ExecutableFolder());

}  // namespace brenmark::mp3
