#include "platform/PrivateFolder.h"

#include <cstdio>

namespace brenmark::platform {
namespace {

constexpr std::uint32_t kWritableByGroupOrOthers = 0022;

std::string OctalMode(std::uint32_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

std::string PrivateFolderProblem(const std::string& shown, const FolderOwnership& facts, std::uint32_t user,
                                 bool linkAllowed) {
  if (facts.isLink && !linkAllowed) {
    return shown + " is a symbolic link, not a folder of its own; remove the link (rm '" + shown +
           "') so that the folder is created again";
  }
  if (!facts.isFolder) return shown + " is not a folder";
  if (facts.owner != user) {
    return shown + " is not owned by you (its owner is user " + std::to_string(facts.owner) +
           "); choose a folder of your own with --data-dir, or remove it so that it is created again";
  }
  if ((facts.mode & kWritableByGroupOrOthers) != 0) {
    return shown + " can be written by other users (mode " + OctalMode(facts.mode) +
           "); make it private with: chmod 700 '" + shown + "'";
  }
  return {};
}

}  // namespace brenmark::platform
