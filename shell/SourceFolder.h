#pragma once

#include <memory>
#include <stop_token>
#include <string>

#include "datadisc/SourceTree.h"

namespace brenmark {

// The tree a chosen folder gives a data disc: ISO 9660 and Joliet names, 8.3
// ISO 9660 names, no file times, no CD-XA records, the label "TestDisc", and
// the folder scanned below it. `folder` is UTF-8. A request on `stop` ends
// the scan at its next entry, and then there is no tree (null).
std::unique_ptr<datadisc::SourceTree> BuildSourceTree(const std::string& folder, std::stop_token stop = {});

}  // namespace brenmark
