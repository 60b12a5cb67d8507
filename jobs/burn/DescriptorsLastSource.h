#pragma once

#include <cstdint>
#include <vector>

#include "drive/SectorSource.h"

namespace brenmark {

// A data image written in place on an overwritable disc, its volume descriptor
// set (the blocks from 16 up to and including the terminator) held back: zero
// blocks go in their place, and the set itself is the last run, once every
// other block is written. A burn that stops or fails midway, or a program
// killed during it, so leaves no directories naming files whose data never
// reached the disc, for a later burn to carry on as if they were whole.
class DescriptorsLastSource final : public SectorSource {
 public:
  static constexpr std::int32_t kDescriptorsStart = 16;

  // `inner` gives the 2048-byte blocks of a volume that starts at block 0.
  explicit DescriptorsLastSource(SectorSource& inner) : inner_(inner) {}

  int blockSize() const override { return inner_.blockSize(); }
  int dataBlockType() const override { return inner_.dataBlockType(); }
  SourceStep Next(SectorRun& run) override;
  void BeforeWrite(const SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;

 private:
  static constexpr std::size_t kBlock = 2048;
  static constexpr std::uint8_t kTerminator = 255;
  // Far more than a set holds; what follows is no longer held back.
  static constexpr std::uint32_t kMostHeld = 8;

  std::uint32_t HeldCount() const { return static_cast<std::uint32_t>(held_.size() / kBlock); }

  SectorSource& inner_;
  std::vector<std::uint8_t> held_;
  std::vector<std::uint8_t> run_;  // a run that held blocks back, with zeros in their place
  bool holding_ = true;
  bool heldGiven_ = false;
};

}  // namespace brenmark
