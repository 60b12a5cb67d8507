#include "virtualdrive/image/ImageFileKind.h"

#include <system_error>

namespace brenmark::virtualdrive {

namespace fs = std::filesystem;

std::string NonRegularFileKind(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) return {};
  switch (status.type()) {
    case fs::file_type::directory: return "a folder";
    case fs::file_type::fifo: return "a named pipe";
    case fs::file_type::block:
    case fs::file_type::character: return "a device";
    case fs::file_type::socket: return "a socket";
    default: return {};
  }
}

}  // namespace brenmark::virtualdrive
