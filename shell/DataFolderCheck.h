#pragma once

#include <string>

namespace brenmark {

// Whether a folder named on the command line can hold the virtual recorders'
// discs: a folder of the user's own that no one else can write in. A missing
// folder is created private to the user.
struct DataFolderCheck {
  enum class Verdict { Usable, Empty, Unusable };
  Verdict verdict = Verdict::Usable;
  std::string message;  // why not, naming the folder; empty when usable
};

// `folder` is UTF-8; `option` names where it came from in the message.
DataFolderCheck CheckDataFolder(const std::string& folder, const std::string& option);

}  // namespace brenmark
