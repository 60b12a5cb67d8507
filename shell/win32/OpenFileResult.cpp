#include "shell/win32/OpenFileResult.h"

namespace brenmark::win32 {

std::vector<std::wstring> SplitOpenFileResult(const wchar_t* result, std::size_t size) {
  std::vector<std::wstring> parts;
  std::size_t start = 0;
  while (start < size && result[start] != L'\0') {
    std::size_t end = start;
    while (end < size && result[end] != L'\0') ++end;
    parts.emplace_back(result + start, end - start);
    start = end + 1;
  }
  if (parts.size() <= 1) return parts;
  std::wstring folder = parts.front();
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  std::vector<std::wstring> paths;
  for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
  return paths;
}

std::wstring OpenFileFilter(const std::wstring& barred) {
  std::wstring filter = barred;
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  return filter;
}

}  // namespace brenmark::win32
