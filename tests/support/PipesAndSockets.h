#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace brenmark::testsupport {

// A named pipe at `path`.
inline void MakeFifo(const std::filesystem::path& path) {
  if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed: " + path.string());
}

// A Unix domain socket bound at `path`, closed (the entry stays) when destroyed.
class BoundSocket {
 public:
  explicit BoundSocket(const std::filesystem::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (fd_ < 0 || text.size() >= sizeof address.sun_path) throw std::runtime_error("cannot bind " + text);
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      throw std::runtime_error("cannot bind " + text);
    }
  }
  ~BoundSocket() { ::close(fd_); }
  BoundSocket(const BoundSocket&) = delete;
  BoundSocket& operator=(const BoundSocket&) = delete;

 private:
  int fd_;
};

}  // namespace brenmark::testsupport
