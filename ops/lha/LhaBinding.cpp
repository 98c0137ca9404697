#include "ops/lha/LhaBinding.h"

namespace mv::lha {

std::string NotLoadedText(int slot) {
  std::string text = kSlots[static_cast<size_t>(slot)].reportedName;
  text += kNotLoadedSuffix;
  text += ".";
  return text;
}

int32_t RunSubstitute(PanicBox& box, int slot) {
  box.Show(NotLoadedText(slot), kPanicCaption);
  return 0;
}

SlotTable::SlotTable(const std::array<Address, kSlotCount>& substitutes)
    : substitutes_(substitutes), slots_(substitutes) {}

void SlotTable::Load(LibraryLoader& loader) {
  slots_ = substitutes_;
  library_ = loader.Load(kLibraryName);
  if (!Loaded()) return;
  for (size_t i = 0; i < kSlots.size(); ++i) {
    if (void* entry = loader.Find(library_, kSlots[i].entryPoint)) slots_[i] = entry;
  }
}

void SlotTable::Unload(LibraryLoader& loader) {
  if (Loaded()) loader.Free(library_);
  library_ = 0;
  // The library's entries point into memory that is gone now: a later call must reach the
  // substitute, not jump there.
  slots_ = substitutes_;
}

}  // namespace mv::lha
