#include "shell/Documentation.h"

#include <system_error>

#include "platform/SharedLibrary.h"
#include "platform/Utf8Path.h"

namespace brenmark {

std::filesystem::path InstalledDocumentationPath() {
  return (platform::ExecutableFolder() / platform::PathFromUtf8(BRENMARK_DOC_FROM_BIN) / "README.md")
      .lexically_normal();
}

std::filesystem::path DocumentationPath() {
  std::error_code error;
  if (const auto installed = InstalledDocumentationPath(); std::filesystem::is_regular_file(installed, error)) {
    return installed;
  }
  // A program in the build folder: the folder above it that holds the
  // documentation where an installation would.
  for (std::filesystem::path folder = platform::ExecutableFolder(); folder.has_relative_path();
       folder = folder.parent_path()) {
    const std::filesystem::path candidate = folder / platform::PathFromUtf8(BRENMARK_DOC_IN_PREFIX) / "README.md";
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

}  // namespace brenmark
