#include "jobs/burn/DvdWriteStrategy.h"

namespace brenmark {

DvdWriteStrategy ChooseDvdWriteStrategy(std::uint16_t profile, bool blank, bool leaveOpen) {
  switch (profile) {
    case 0x0013:  // DVD-RW restricted overwrite
    case kDvdPlusRwProfile:
      return DvdWriteStrategy::Overwrite;
    case kDvdPlusRProfile:
      return DvdWriteStrategy::Incremental;
    case 0x0011:  // DVD-R sequential
    case 0x0014:  // DVD-RW sequential
      return blank && !leaveOpen ? DvdWriteStrategy::DiscAtOnce : DvdWriteStrategy::Incremental;
    default:
      return DvdWriteStrategy::DiscAtOnce;
  }
}

}  // namespace brenmark
