// Splitter arithmetic: where the inverted band starts, where it may go, its lines, and the size
// it gives the resized control. Coordinates are along the drag axis (x for Level, y for
// Vertical), in the parent's client area unless said otherwise.
#pragma once

#include <cstdint>

namespace mv {

enum class Tkind : uint8_t {
  Level = 0,     // vertical bar dragged sideways; resizes a width
  Vertical = 1,  // horizontal bar dragged up and down; resizes a height
};

struct BandStart {
  int32_t half;  // half the panel's thickness, truncated
  int32_t pos;   // the band's centre
};

// At the press the band sits on the panel's centre.
BandStart StartBand(int32_t panelLeading, int32_t panelThickness);

// The band's centre for a pointer at `pointer` in the panel's own client coordinates: the panel's
// leading edge stays at least topMgn from the parent's start and its trailing edge at least
// endMgn from the parent's end (the start wins when both cannot hold).
int32_t ClampBand(int32_t pointer, int32_t panelLeading, int32_t half, int32_t topMgn,
                  int32_t endMgn, int32_t parentExtent);

// The band's lines around centre p: lineWidth lines, the extra one of an even width before the
// centre (4 gives p-2, p-1, p, p+1), limited to [0, parentExtent) since nothing outside shows.
// Empty (first == end) for a width below 1.
struct LineRange {
  int32_t first;
  int32_t end;  // one past the last line
};
LineRange BandLines(int32_t p, int32_t lineWidth, int32_t parentExtent);

// The new width (or height) of the resized control whose leading edge is at ctrlLeading, so its
// far edge lands at the band's leading edge. Never negative.
int32_t ResizedExtent(int32_t pos, int32_t half, int32_t ctrlLeading);

// OnEndDrag's figures: Pos is the band's leading edge, Cg how far it lies from the panel's leading
// edge as it is after the resize.
struct EndFigures {
  int32_t pos;
  int32_t cg;
};
EndFigures EndDragFigures(int32_t pos, int32_t half, int32_t panelLeadingAfter);

}  // namespace mv
