#pragma once

#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace brenmark::testsupport {

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempFolder {
 public:
  explicit TempFolder(const std::string& purpose = "test") {
    std::string pattern =
        (std::filesystem::temp_directory_path() / ("brenmark-" + purpose + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace brenmark::testsupport
