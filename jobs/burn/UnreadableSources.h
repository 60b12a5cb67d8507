#pragma once

#include <string>
#include <vector>

#include "datadisc/SourceTree.h"
#include "drive/UserPrompt.h"

namespace brenmark {

// The question a job asks before it writes anything when the scan of its
// source folder met entries it cannot read: how many, the first few of them
// with the reason, and whether to burn without them.
std::string UnreadableSourcesQuestion(const std::vector<datadisc::UnreadableEntry>& entries);

// True when there is nothing to ask, or the user agrees to burn without them.
bool AcceptUnreadableSources(const datadisc::SourceTree* tree, UserPrompt& prompt);

}  // namespace brenmark
