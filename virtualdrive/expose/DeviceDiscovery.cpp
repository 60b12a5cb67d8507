#include "virtualdrive/expose/DeviceDiscovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <system_error>
#include <utility>

namespace brenmark::expose {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDeviceFolder = "/dev/";

bool InDeviceFolder(const std::string& path) {
  return path.rfind(kDeviceFolder, 0) == 0 && path.find('/', std::strlen(kDeviceFolder)) == std::string::npos;
}

std::string NodeName(const DiscoveredDevice& device) { return device.path.substr(std::strlen(kDeviceFolder)); }

// The sysfs folders that name a block device, each with the device's own
// entry name, and the entry's name there.
struct SysfsName {
  const char* folder;
  std::string entry;
};

std::vector<SysfsName> SysfsNames(const DiscoveredDevice& device) {
  return {{"/sys/block/", NodeName(device)},
          {"/sys/class/block/", NodeName(device)},
          {"/sys/dev/block/", "11:" + std::to_string(device.number)}};
}

bool WriteText(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text << '\n';
  return static_cast<bool>(file);
}

// Text as sysfs shows INQUIRY's fields: padded to the field's width.
std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

}  // namespace

DeviceDiscovery::DeviceDiscovery(std::vector<DiscoveredDevice> devices, fs::path treeRoot)
    : treeRoot_(std::move(treeRoot)) {
  for (DiscoveredDevice& device : devices) {
    if (!InDeviceFolder(device.path)) continue;
    if (NodeName(device) == "sr" + std::to_string(device.number))
      otherNames_.emplace_back("/dev/scd" + std::to_string(device.number), device.path);
    // Asked of the system directly: this runs inside the interposed calls.
    struct statx status {};
    const char* common = device.writesDvd ? "/dev/dvd" : "/dev/cdrom";
    if (::syscall(SYS_statx, AT_FDCWD, common, AT_SYMLINK_NOFOLLOW, 0, &status) != 0 && errno == ENOENT)
      otherNames_.emplace_back(common, device.path);
    devices_.push_back(std::move(device));
  }
}

std::vector<std::string> DeviceDiscovery::ExtraEntries(const char* folder) const {
  std::vector<std::string> entries;
  if (folder == nullptr) return entries;
  std::string name(folder);
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  for (const DiscoveredDevice& device : devices_) {
    if (name == "/dev") entries.push_back(NodeName(device));
    for (const SysfsName& sysfs : SysfsNames(device)) {
      if (name + "/" == sysfs.folder) entries.push_back(sysfs.entry);
    }
  }
  return entries;
}

std::string DeviceDiscovery::OtherName(const char* path) const {
  if (path == nullptr) return {};
  for (const auto& [name, device] : otherNames_) {
    if (name == path) return device;
  }
  return {};
}

fs::path DeviceDiscovery::SysfsPath(const char* path) {
  if (path == nullptr || std::strncmp(path, "/sys/", 5) != 0) return {};
  const std::string text(path);
  for (const DiscoveredDevice& device : devices_) {
    for (const SysfsName& sysfs : SysfsNames(device)) {
      const std::string entry = sysfs.folder + sysfs.entry;
      if (text.compare(0, entry.size(), entry) != 0 || (text.size() > entry.size() && text[entry.size()] != '/'))
        continue;
      std::call_once(made_, [this] { treeMade_ = MakeTree(); });
      if (!treeMade_) return {};
      return treeRoot_ / "block" / NodeName(device) / text.substr(entry.size() + (text.size() > entry.size()));
    }
  }
  return {};
}

bool DeviceDiscovery::MakeTree() {
  // Made anew under a temporary name and renamed into place, so that a
  // process reading it never sees it half made.
  std::error_code error;
  const fs::path made = treeRoot_.string() + ".new-" + std::to_string(::getpid());
  fs::remove_all(made, error);
  for (const DiscoveredDevice& device : devices_) {
    const std::string name = NodeName(device);
    const std::string address = std::to_string(device.number) + ":0:0:0";
    const fs::path scsi = made / "scsi" / address;
    const fs::path block = made / "block" / name;
    fs::create_directories(scsi, error);
    fs::create_directories(block, error);
    if (error) return false;
    const std::string numbers = "11:" + std::to_string(device.number);
    bool written = WriteText(scsi / "type", "5") && WriteText(scsi / "vendor", Padded(device.vendor, 8)) &&
                   WriteText(scsi / "model", Padded(device.model, 16)) && WriteText(scsi / "rev", device.revision) &&
                   WriteText(block / "dev", numbers) && WriteText(block / "removable", "1") &&
                   WriteText(block / "ro", "0") && WriteText(block / "size", "0") &&
                   WriteText(block / "uevent", "MAJOR=11\nMINOR=" + std::to_string(device.number) + "\nDEVNAME=" + name +
                                                   "\nDEVTYPE=disk");
    fs::create_directory_symlink("../../scsi/" + address, block / "device", error);
    if (!written || error) return false;
  }
  fs::rename(made, treeRoot_, error);
  if (!error) return true;
  // Another process made it first: its tree is the same.
  fs::remove_all(made, error);
  return fs::is_directory(treeRoot_, error);
}

}  // namespace brenmark::expose
