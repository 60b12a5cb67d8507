#pragma once

#include <memory>
#include <string>

#include "datadisc/SourceTree.h"

namespace brenmark {

// The tree a chosen folder gives a data disc: ISO 9660 and Joliet names, 8.3
// ISO 9660 names, no file times, no CD-XA records, the label "TestDisc", and
// the folder scanned below it. `folder` is UTF-8.
std::unique_ptr<datadisc::SourceTree> BuildSourceTree(const std::string& folder);

}  // namespace brenmark
