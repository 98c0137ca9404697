// Splitter arithmetic, kept apart from the window so it can be checked on any host.
#include "ui/dragpnl_geometry.h"

#include <algorithm>

namespace mv {

BandStart StartBand(int32_t panelLeading, int32_t panelThickness) {
  int32_t half = panelThickness / 2;
  return {half, panelLeading + half};
}

int32_t ClampBand(int32_t pointer, int32_t panelLeading, int32_t half, int32_t topMgn,
                  int32_t endMgn, int32_t parentExtent) {
  // 64-bit so extreme margins or coordinates cannot overflow the comparisons.
  int64_t p = int64_t{pointer} + panelLeading;
  if (p - half < topMgn)
    p = int64_t{topMgn} + half;
  else if (p + half > int64_t{parentExtent} - endMgn)
    p = int64_t{parentExtent} - endMgn - half;
  return static_cast<int32_t>(std::clamp<int64_t>(p, INT32_MIN, INT32_MAX));
}

LineRange BandLines(int32_t p, int32_t lineWidth, int32_t parentExtent) {
  if (lineWidth < 1) return {0, 0};
  int64_t first = int64_t{p} - lineWidth / 2;
  int64_t end = first + lineWidth;
  first = std::max<int64_t>(first, 0);
  end = std::min<int64_t>(end, std::max(parentExtent, 0));
  if (first >= end) return {0, 0};
  return {static_cast<int32_t>(first), static_cast<int32_t>(end)};
}

int32_t ResizedExtent(int32_t pos, int32_t half, int32_t ctrlLeading) {
  int64_t extent = int64_t{pos} - half - ctrlLeading;
  return static_cast<int32_t>(std::clamp<int64_t>(extent, 0, INT32_MAX));
}

EndFigures EndDragFigures(int32_t pos, int32_t half, int32_t panelLeadingAfter) {
  int32_t p = pos - half;
  return {p, p - panelLeadingAfter};
}

}  // namespace mv
