#include "virtualdrive/RecorderModel.h"

namespace brenmark::virtualdrive {

RecorderModel CdRecorderModel() {
  RecorderModel model;
  model.shortName = "virtual-cd";
  model.vendor = "Brenmark";
  model.product = "Virtual CD-RW";
  model.revision = "1.0";
  model.blankKind = MediumKind::CdR;
  // 1x CD is 176.4 KB/s.
  model.writeSpeeds = {8467, 7056, 5645, 4234, 2822, 1411, 706};
  return model;
}

RecorderModel DvdRecorderModel() {
  RecorderModel model;
  model.shortName = "virtual-dvd";
  model.vendor = "Brenmark";
  model.product = "Virtual DVD-R";
  model.revision = "1.0";
  model.blankKind = MediumKind::DvdR;
  // 1x DVD is 1385 KB/s.
  model.writeSpeeds = {22160, 11080, 5540, 2770, 1385};
  model.cdWriteSpeeds = CdRecorderModel().writeSpeeds;
  return model;
}

RecorderModel WithMedium(const RecorderModel& model, std::optional<MediumKind> loaded) {
  RecorderModel answering = model;
  if (loaded && IsCdMedium(*loaded) && !model.cdWriteSpeeds.empty()) answering.writeSpeeds = model.cdWriteSpeeds;
  return answering;
}

}  // namespace brenmark::virtualdrive
