// A tally of the GDI and USER objects besides windows that the page's code makes and destroys:
// fonts, brushes, bitmaps, icons, image lists (the check boxes' one that comctl32 makes for the
// tree included), accelerator tables. GetGuiResources counts the whole process, where it answers
// at all (Wine's is a stub); this says what is ours, so that a page leaving one object behind
// each time shows. One tally per process, shared by every module built with this layer (the DLL
// and the program that loads it) through a small section of memory named for the process.
#pragma once

#include <array>
#include <cstddef>

namespace bellnest::win32 {

enum class GuiObject { Font, Brush, Bitmap, Icon, ImageList, Accelerators, kKinds };

// The objects of each kind made and not yet destroyed.
using GuiCounts = std::array<long, static_cast<std::size_t>(GuiObject::kKinds)>;
GuiCounts GuiTally();

void TallyMade(GuiObject kind);
void TallyDestroyed(GuiObject kind);

// The handle, counted when it is one.
template <class Handle>
Handle Tallied(GuiObject kind, Handle handle) {
  if (handle) TallyMade(kind);
  return handle;
}

}  // namespace bellnest::win32
