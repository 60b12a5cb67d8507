#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "drive/CdTextPacks.h"

// CD-TEXT as a host sends it in the lead-in's sub-channel (24 six-bit symbols
// a pack) or a disc returns it: decoding must not crash, symbols must give
// back the pack they were made from, and the texts decoded, encoded again,
// must decode to the same texts when they fit on a disc.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brenmark::cdtext;
  std::vector<Pack> packs;
  for (std::size_t at = 0; at + 24 <= size; at += 24) {
    const Pack pack = FromRwSymbols(data + at);
    const auto symbols = ToRwSymbols(pack);
    if (FromRwSymbols(symbols.data()) != pack) std::abort();
    packs.push_back(pack);
  }
  for (std::size_t at = 0; at + 18 <= size; at += 18) {
    Pack pack;
    std::copy_n(data + at, 18, pack.begin());
    packs.push_back(pack);
  }
  const std::vector<Entry> entries = Decode(packs);
  const std::vector<Pack> encoded = Encode(entries);
  if (encoded.size() > 253) std::abort();
  for (const Pack& pack : encoded) {
    if (!HasValidCrc(pack)) std::abort();
  }
  return 0;
}
