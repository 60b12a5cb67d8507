#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace brenmark::expose {

// An exposed device as programs that look for drives see it.
struct DiscoveredDevice {
  std::string path;  // /dev/srN; only a node directly in /dev is listed and has sysfs entries
  unsigned number;   // N, the node's minor number
  std::string vendor, model, revision;  // as INQUIRY gives them
  bool writesDvd = false;
};

// What programs that look for drives instead of probing them find of the
// devices: the nodes in a listing of /dev, their other names (/dev/scdN,
// which some probe, and where the system has none, /dev/cdrom and /dev/dvd,
// which udev makes for the first drives and some look at first), and the sysfs entries of a SCSI CD-ROM block device
// (/sys/block/srN, /sys/class/block/srN, /sys/dev/block/11:N: removable, the
// device numbers, device/type 5, device/vendor and device/model). The sysfs
// entries are a real folder tree made once under `treeRoot`, so that calls
// relative to a folder of it (openat, readlinkat) need nothing more.
class DeviceDiscovery {
 public:
  DeviceDiscovery(std::vector<DiscoveredDevice> devices, std::filesystem::path treeRoot);

  // The names a listing of `folder` gains; none for other folders.
  std::vector<std::string> ExtraEntries(const char* folder) const;
  // The path of the device `path` is another name of, or empty.
  std::string OtherName(const char* path) const;
  // Where in the tree `path`, an entry of a device under /sys, is; empty for
  // any other path. Makes the tree on first use.
  std::filesystem::path SysfsPath(const char* path);

 private:
  bool MakeTree();

  std::vector<DiscoveredDevice> devices_;
  std::vector<std::pair<std::string, std::string>> otherNames_;  // name, device path
  std::filesystem::path treeRoot_;
  std::once_flag made_;
  bool treeMade_ = false;
};

}  // namespace brenmark::expose
