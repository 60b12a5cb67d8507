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

// The library beside the running program.
std::filesystem::path DefaultEncoderLibraryPath();

}  // namespace brenmark::mp3
