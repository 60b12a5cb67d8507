#include "drive/windows/SptiDeviceProvider.h"

#include <windows.h>

#include "drive/windows/SptiTransport.h"

namespace brenmark::windows {

std::vector<DeviceCandidate> SptiDeviceProvider::FindDevices() {
  std::vector<DeviceCandidate> candidates;
  wchar_t roots[1024] = {};
  const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(roots) - 1), roots);
  if (length == 0 || length >= std::size(roots)) return candidates;
  // Root paths "X:\", each ended by a NUL, the list by an empty one.
  for (const wchar_t* root = roots; *root != L'\0'; root += wcslen(root) + 1) {
    if (GetDriveTypeW(root) != DRIVE_CDROM || root[0] > 0x7F) continue;
    const std::string letter(1, static_cast<char>(root[0]));
    candidates.push_back(DeviceCandidate{letter, "\\\\.\\" + letter + ":",
                                         std::make_unique<SptiTransport>("\\\\.\\" + letter + ":")});
  }
  return candidates;
}

}  // namespace brenmark::windows
