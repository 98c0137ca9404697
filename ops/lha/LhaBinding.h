// The run-time binding to the archiver library UNLHA32.DLL: a table of 41 entry slots, each
// holding the library's entry point or, until one is found, a substitute that says the library
// is missing and returns 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mv::lha {

inline constexpr int kSlotCount = 41;
inline constexpr const char* kLibraryName = "UNLHA32.DLL";
inline constexpr const char* kPanicCaption = "PANIC!!";
inline constexpr const char* kNotLoadedSuffix = ": LHA.DLL not loaded";

struct SlotInfo {
  const char* entryPoint;    // exact export name looked up in the library
  int arguments;             // number of 32-bit arguments
  const char* reportedName;  // the name the substitute's message shows
};

// Slot indexes of the entries the program or its tests name.
enum Slot : int {
  kSlotGetVersion = 0,
  kSlotUnlha = 9,
  kSlotGetArcCompressedSize = 20,
  kSlotGetAccessTime = 33,
  kSlotClearOwnerWindow = 40,
};

// The slots in the library's order.
inline constexpr std::array<SlotInfo, kSlotCount> kSlots = {{
    {"UnlhaGetVersion", 0, "UnlhaGetVersion"},
    {"UnlhaGetSubVersion", 0, "UnlhaGetSubVersion"},
    {"UnlhaGetRunning", 0, "UnlhaGetRunning"},
    {"UnlhaGetBackGroundMode", 0, "UnlhaGetBackGroundMode"},
    {"UnlhaSetBackGroundMode", 1, "UnlhaSetBackGroundMode"},
    {"UnlhaGetCursorMode", 0, "UnlhaGetCursorMode"},
    {"UnlhaSetCursorMode", 1, "UnlhaSetCursorMode"},
    {"UnlhaGetCursorInterval", 0, "UnlhaGetCursorInterval"},
    {"UnlhaSetCursorInterval", 1, "UnlhaSetCursorInterval"},
    {"Unlha", 4, "Unlha"},
    {"UnlhaCheckArchive", 2, "UnlhaCheckArchive"},
    {"UnlhaConfigDialog", 3, "UnlhaConfigDialog"},
    {"UnlhaGetFileCount", 1, "UnlhaGetFileCount"},
    {"UnlhaOpenArchive", 3, "UnlhaOpenArchive"},
    {"UnlhaCloseArchive", 1, "UnlhaCloseArchive"},
    {"UnlhaFindFirst", 3, "UnlhaFindFirst"},
    {"UnlhaFindNext", 2, "UnlhaFindNext"},
    {"UnlhaGetArcFileName", 3, "UnlhaGetArcFileName"},
    {"UnlhaGetArcFileSize", 1, "UnlhaGetArcFileSize"},
    {"UnlhaGetArcOriginalSize", 1, "UnlhaGetArcOriginalSize"},
    // The message has always shown these two names misspelt; users and scripts know them so.
    {"UnlhaGetArcCompressedSize", 1, "UnlhaGetArcCompessedSize"},
    {"UnlhaGetArcRatio", 1, "UnlhaGetArcRatio"},
    {"UnlhaGetArcDate", 1, "UnlhaGetArcDate"},
    {"UnlhaGetArcTime", 1, "UnlhaGetArcTime"},
    {"UnlhaGetArcOSType", 1, "UnlhaGetArcOSType"},
    {"UnlhaGetFileName", 3, "UnlhaGetFileName"},
    {"UnlhaGetMethod", 3, "UnlhaGetMethod"},
    {"UnlhaGetOriginalSize", 1, "UnlhaGetOriginalSize"},
    {"UnlhaGetCompressedSize", 1, "UnlhaGetCompressedSize"},
    {"UnlhaGetRatio", 1, "UnlhaGetRatio"},
    {"UnlhaGetDate", 1, "UnlhaGetDate"},
    {"UnlhaGetTime", 1, "UnlhaGetTime"},
    {"UnlhaGetWriteTime", 1, "UnlhaGetWriteTime"},
    {"UnlhaGetAccessTime", 1, "UnlhaGetAcessTime"},
    {"UnlhaGetCreateTime", 1, "UnlhaGetCreateTime"},
    {"UnlhaGetCRC", 1, "UnlhaGetCRC"},
    {"UnlhaGetAttribute", 1, "UnlhaGetAttribute"},
    {"UnlhaGetOSType", 1, "UnlhaGetOSType"},
    {"UnlhaQueryFunctionList", 1, "UnlhaQueryFunctionList"},
    {"UnlhaSetOwnerWindow", 1, "UnlhaSetOwnerWindow"},
    {"UnlhaClearOwnerWindow", 0, "UnlhaClearOwnerWindow"},
}};

// "<reported name>: LHA.DLL not loaded."
std::string NotLoadedText(int slot);

// What the substitutes show their text in: a box with no owner, the error icon and OK.
class PanicBox {
 public:
  virtual ~PanicBox() = default;
  virtual void Show(const std::string& text, const std::string& caption) = 0;
};

// The substitute's behaviour for one slot: show its message, ignore the arguments, return 0.
int32_t RunSubstitute(PanicBox& box, int slot);

// Loading and looking up by name; handles are the platform's values (below 32: failed).
class LibraryLoader {
 public:
  virtual ~LibraryLoader() = default;
  virtual uintptr_t Load(const std::string& fileName) = 0;
  virtual void* Find(uintptr_t library, const char* name) = 0;  // nullptr when absent
  virtual void Free(uintptr_t library) = 0;
};

// The slot table. Slots hold opaque addresses; the platform layer knows their calling
// convention and supplies the substitutes' addresses.
class SlotTable {
 public:
  using Address = void*;
  explicit SlotTable(const std::array<Address, kSlotCount>& substitutes);

  // Puts every substitute back, loads the library and takes each entry point it has. Meant to
  // run once; a second call releases nothing and starts from the substitutes again.
  void Load(LibraryLoader& loader);
  // Releases the library if it was loaded; the slots keep what they hold.
  void Unload(LibraryLoader& loader);

  bool Loaded() const { return library_ >= 32; }
  Address At(int slot) const { return slots_[static_cast<size_t>(slot)]; }
  bool IsSubstitute(int slot) const {
    return slots_[static_cast<size_t>(slot)] == substitutes_[static_cast<size_t>(slot)];
  }

 private:
  std::array<Address, kSlotCount> substitutes_;
  std::array<Address, kSlotCount> slots_;
  uintptr_t library_ = 0;
};

}  // namespace mv::lha
