#include "drive/sgio/SgDeviceProvider.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <system_error>
#include <utility>

#include "drive/sgio/SgIoTransport.h"

namespace brenmark::sgio {
namespace {

constexpr int kCdRomDeviceType = 5;
constexpr unsigned kScsiCdRomMajor = 11;

// The N of a name "srN", N decimal digits only.
std::optional<unsigned> SrNumber(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return std::nullopt;
  unsigned number = 0;
  const char* first = name.data() + 2;
  const char* last = name.data() + name.size();
  const auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc() || end != last) return std::nullopt;
  return number;
}

bool IsCdRomDevice(const std::filesystem::path& blockClassFolder, const std::string& name) {
  std::ifstream typeFile(blockClassFolder / name / "device" / "type");
  int type = -1;
  return static_cast<bool>(typeFile >> type) && type == kCdRomDeviceType;
}

bool IsCdRomNode(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISBLK(status.st_mode) && major(status.st_rdev) == kScsiCdRomMajor;
}

}  // namespace

std::vector<std::string> ExtraDevicesFromEnvironment() {
  std::vector<std::string> paths;
  const char* value = std::getenv(kExtraDevicesVariable);
  if (value == nullptr) return paths;
  const std::string_view text(value);
  std::size_t begin = 0;
  while (begin <= text.size()) {
    const std::size_t end = std::min(text.find(':', begin), text.size());
    if (end > begin) paths.emplace_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return paths;
}

SgDeviceProvider::SgDeviceProvider(std::filesystem::path deviceFolder, std::filesystem::path blockClassFolder,
                                   std::vector<std::string> extraDevices)
    : deviceFolder_(std::move(deviceFolder)),
      blockClassFolder_(std::move(blockClassFolder)),
      extraDevices_(std::move(extraDevices)) {}

std::vector<std::string> SgDeviceProvider::FindDeviceNames() const {
  std::vector<std::pair<unsigned, std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(deviceFolder_, error)) {
    std::string name = entry.path().filename().string();
    const std::optional<unsigned> number = SrNumber(name);
    if (number && IsCdRomDevice(blockClassFolder_, name)) found.emplace_back(*number, std::move(name));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& [number, name] : found) names.push_back(std::move(name));
  return names;
}

std::vector<DeviceCandidate> SgDeviceProvider::FindDevices() {
  std::vector<DeviceCandidate> candidates;
  for (std::string& name : FindDeviceNames()) {
    std::string path = (deviceFolder_ / name).string();
    auto transport = std::make_unique<SgIoTransport>(path);
    candidates.push_back(DeviceCandidate{std::move(name), std::move(path), std::move(transport)});
  }
  for (const std::string& path : extraDevices_) {
    if (!IsCdRomNode(path)) continue;
    std::string name = std::filesystem::path(path).filename().string();
    candidates.push_back(DeviceCandidate{std::move(name), path, std::make_unique<SgIoTransport>(path)});
  }
  return candidates;
}

}  // namespace brenmark::sgio
