#include "jobs/burn/UnreadableSources.h"

#include <algorithm>

namespace brenmark {
namespace {

// Enough to recognise the cause; a long list would bury the question.
constexpr std::size_t kListedEntries = 5;

}  // namespace

std::string UnreadableSourcesQuestion(const std::vector<datadisc::UnreadableEntry>& entries) {
  const std::size_t count = entries.size();
  std::string text = std::to_string(count) + (count == 1 ? " entry" : " entries") +
                     " of the source folder cannot be read and would be missing from the disc:";
  const std::size_t listed = std::min(count, kListedEntries);
  for (std::size_t i = 0; i < listed; ++i) {
    text += "\n" + entries[i].path + " (" + entries[i].reason + ")";
  }
  if (count > listed) text += "\nand " + std::to_string(count - listed) + " more.";
  text += "\nBurn the disc without them?";
  return text;
}

bool AcceptUnreadableSources(const datadisc::SourceTree* tree, UserPrompt& prompt) {
  if (tree == nullptr || tree->unreadable().empty()) return true;
  return prompt.AskBeforeReplacing(UnreadableSourcesQuestion(tree->unreadable()));
}

}  // namespace brenmark
