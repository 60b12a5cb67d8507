#include "audio/Mp3EncoderLibrary.h"

#include <system_error>

namespace brenmark::mp3 {
namespace {

template <typename Function>
bool LookUp(const platform::SharedLibrary& library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(library.Symbol(name));
  return function != nullptr;
}

}  // namespace

EncoderLibrary::LoadResult EncoderLibrary::Load(const std::filesystem::path& path) {
  if (!library_.Load(path)) return LoadResult::NotLoaded;
  // Every lookup runs, so that no pointer is left from an earlier library.
  bool all = LookUp(library_, "beVersion", beVersion);
  all = LookUp(library_, "beInitStream", beInitStream) && all;
  all = LookUp(library_, "beEncodeChunk", beEncodeChunk) && all;
  all = LookUp(library_, "beDeinitStream", beDeinitStream) && all;
  all = LookUp(library_, "beCloseStream", beCloseStream) && all;
  all = LookUp(library_, "beWriteVBRHeader", beWriteVBRHeader) && all;
  if (all) return LoadResult::Loaded;
  library_.Unload();
  return LoadResult::FunctionMissing;
}

std::filesystem::path DefaultEncoderLibraryPath(const std::filesystem::path& programFolder) {
  const auto beside = programFolder / kEncoderLibraryName;
  const auto installed = programFolder.parent_path() / "lib" / "brenmark" / kEncoderLibraryName;
  std::error_code error;
  if (!std::filesystem::exists(beside, error) && std::filesystem::exists(installed, error)) return installed;
  return beside;
}

}  // namespace brenmark::mp3
