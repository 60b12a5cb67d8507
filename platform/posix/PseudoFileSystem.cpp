// Which folders lie on a file system that describes the running system
// (processes, devices, kernel settings) instead of holding files.
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <array>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/Directory.h"

namespace brenmark::platform {
namespace {

constexpr std::array<std::pair<unsigned long, const char*>, 17> kPseudoMagics{{
    {PROC_SUPER_MAGIC, "proc"},
    {SYSFS_MAGIC, "sysfs"},
    {DEVPTS_SUPER_MAGIC, "devpts"},
    {CGROUP_SUPER_MAGIC, "cgroup"},
    {CGROUP2_SUPER_MAGIC, "cgroup2"},
    {DEBUGFS_MAGIC, "debugfs"},
    {TRACEFS_MAGIC, "tracefs"},
    {SECURITYFS_MAGIC, "securityfs"},
    {PSTOREFS_MAGIC, "pstore"},
    {BPF_FS_MAGIC, "bpf"},
    {SELINUX_MAGIC, "selinuxfs"},
    {SMACK_MAGIC, "smackfs"},
    {EFIVARFS_MAGIC, "efivarfs"},
    {BINFMTFS_MAGIC, "binfmt_misc"},
    {NSFS_MAGIC, "nsfs"},
    {0x19800202UL, "mqueue"},
    {0x62656570UL, "configfs"},
}};

// devtmpfs (/dev) reports the magic of tmpfs; the mount table tells them
// apart by the mount's device number.
std::string MountTypeOf(dev_t device) {
  std::ifstream table("/proc/self/mountinfo");
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::string line;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string mountId, parentId, number;
    if (!(fields >> mountId >> parentId >> number) || number != wanted) continue;
    const std::size_t separator = line.find(" - ");
    if (separator == std::string::npos) continue;
    std::istringstream rest(line.substr(separator + 3));
    std::string type;
    rest >> type;
    return type;
  }
  return {};
}

}  // namespace

std::string Directory::PseudoFileSystem() const {
  struct statfs system {};
  if (::fstatfs(static_cast<int>(handle_), &system) != 0) return {};
  const auto magic = static_cast<unsigned long>(system.f_type);
  for (const auto& [known, name] : kPseudoMagics) {
    if (known == magic) return name;
  }
  struct stat folder {};
  if (magic == TMPFS_MAGIC && ::fstat(static_cast<int>(handle_), &folder) == 0 &&
      MountTypeOf(folder.st_dev) == "devtmpfs") {
    return "devtmpfs";
  }
  return {};
}

}  // namespace brenmark::platform
