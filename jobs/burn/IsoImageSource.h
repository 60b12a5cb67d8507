#pragma once

#include <cstdint>
#include <optional>

#include "datadisc/ImageLayout.h"
#include "datadisc/ImageStream.h"
#include "drive/SectorSource.h"
#include "drive/UserPrompt.h"
#include "jobs/ProgressSink.h"

namespace brenmark {

// A laid-out ISO 9660 image as the data job writes it: the image stream's
// groups in order, 2048-byte blocks, the job's progress steps around them,
// and its messages for source files that fail or changed since the scan (a
// file that shrank fails the burn; one that grew is written as far as it was
// scanned, with one warning).
class IsoImageSource final : public SectorSource {
 public:
  static constexpr int kBlockTypeMode1 = 8;
  static constexpr int kBlockTypeMode2Form1 = 10;

  // `mode2Form1`: the blocks go out as Mode 2 Form 1 (CD-ROM XA), else Mode 1.
  IsoImageSource(const datadisc::ImageLayout& layout, bool mode2Form1, ProgressSink& progress,
                 UserPrompt& prompt);

  int blockSize() const override { return 2048; }
  int dataBlockType() const override { return mode2Form1_ ? kBlockTypeMode2Form1 : kBlockTypeMode1; }
  SourceStep Next(SectorRun& run) override;
  void BeforeWrite(const SectorRun& run) override;
  void AfterWrite(const SectorRun& run) override;

 private:
  // Moves the bar to the sectors before the file data, once.
  void ReachFiles();

  const datadisc::ImageLayout& layout_;
  const bool mode2Form1_;
  ProgressSink& progress_;
  UserPrompt& prompt_;
  datadisc::ImageStream stream_;
  datadisc::SectorGroup group_;
  bool filesReached_ = false;
  bool changeWarned_ = false;
};

}  // namespace brenmark
