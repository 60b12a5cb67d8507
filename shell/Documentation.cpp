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
  for (const std::filesystem::path& candidate :
       {InstalledDocumentationPath(), platform::PathFromUtf8(BRENMARK_SOURCE_README)}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
  }
  return {};
}

}  // namespace brenmark
