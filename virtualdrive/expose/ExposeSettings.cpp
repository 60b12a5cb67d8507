#include "virtualdrive/expose/ExposeSettings.h"

#include <system_error>

#include "drive/CommandTraceFile.h"
#include "drive/sgio/SgDeviceProvider.h"

namespace brenmark::expose {
namespace {

constexpr const char* kCdVariable = "BRENMARK_EXPOSE_CD";
constexpr const char* kDvdVariable = "BRENMARK_EXPOSE_DVD";
constexpr const char* kDataVariable = "BRENMARK_EXPOSE_DATA_DIR";
// Faults one per line: their text form holds ':' but never a line break.
constexpr const char* kFaultsVariable = "BRENMARK_EXPOSE_FAULTS";

}  // namespace

std::vector<std::pair<std::string, std::string>> ExposeVariables(const ExposeSettings& settings,
                                                                 const std::filesystem::path& library,
                                                                 const std::string& currentPreload) {
  std::string faults;
  for (const std::string& fault : settings.faults) faults += (faults.empty() ? "" : "\n") + fault;
  std::string devices = settings.cdPath;
  if (!settings.dvdPath.empty()) devices += (devices.empty() ? "" : ":") + settings.dvdPath;
  const std::string preload = PreloadEntry(library) + (currentPreload.empty() ? "" : " " + currentPreload);
  std::vector<std::pair<std::string, std::string>> variables = {{kCdVariable, settings.cdPath},
                                                                {kDvdVariable, settings.dvdPath},
                                                                {kDataVariable, settings.dataFolder.string()},
                                                                {kFaultsVariable, faults},
                                                                {sgio::kExtraDevicesVariable, devices},
                                                                {"LD_PRELOAD", preload}};
  if (!settings.traceFile.empty()) variables.emplace_back(kTraceVariable, settings.traceFile.string());
  return variables;
}

std::string PreloadEntry(const std::filesystem::path& library) {
  const auto layout = library.parent_path() / "preload";
  const auto name = library.filename();
  std::error_code error;
  if (!std::filesystem::exists(layout / "lib" / "i386-linux-gnu" / name, error) ||
      !std::filesystem::exists(layout / "lib" / "x86_64-linux-gnu" / name, error))
    return library.string();
  return (layout / "$LIB" / name).string();
}

std::optional<ExposeSettings> ReadExposeSettings(const std::function<const char*(const char*)>& lookup) {
  const auto text = [&lookup](const char* name) {
    const char* value = lookup(name);
    return std::string(value == nullptr ? "" : value);
  };
  ExposeSettings settings;
  settings.cdPath = text(kCdVariable);
  settings.dvdPath = text(kDvdVariable);
  settings.dataFolder = text(kDataVariable);
  settings.traceFile = text(kTraceVariable);
  if ((settings.cdPath.empty() && settings.dvdPath.empty()) || settings.dataFolder.empty()) return std::nullopt;
  const std::string faults = text(kFaultsVariable);
  std::size_t begin = 0;
  while (begin < faults.size()) {
    const std::size_t end = std::min(faults.find('\n', begin), faults.size());
    if (end > begin) settings.faults.push_back(faults.substr(begin, end - begin));
    begin = end + 1;
  }
  return settings;
}

std::filesystem::path DefaultExposeLibraryPath(const std::filesystem::path& programFolder) {
  const auto beside = programFolder / kExposeLibraryName;
  const auto installed = programFolder.parent_path() / "lib" / "brenmark" / kExposeLibraryName;
  std::error_code error;
  if (!std::filesystem::exists(beside, error) && std::filesystem::exists(installed, error)) return installed;
  return beside;
}

}  // namespace brenmark::expose
