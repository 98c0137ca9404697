// Splitter arithmetic: band start, margins, band lines, the resized extent and the end figures.
#include <gtest/gtest.h>

#include "ui/dragpnl_geometry.h"

using namespace mv;

namespace {

TEST(DragGeometry, BandStartsOnThePanelCentre) {
  EXPECT_EQ(StartBand(169, 4).half, 2);
  EXPECT_EQ(StartBand(169, 4).pos, 171);
  EXPECT_EQ(StartBand(10, 5).pos, 12);  // odd thickness truncates
}

TEST(DragGeometry, MarginsHoldBothEnds) {
  // Panel 4 wide at 169 in a parent 578 wide: the leading edge stays >= 1, the trailing <= 573.
  const int32_t left = 169, half = 2, W = 578;
  EXPECT_EQ(ClampBand(2, left, half, 1, 5, W), 171);    // no move
  EXPECT_EQ(ClampBand(-1000, left, half, 1, 5, W), 3);  // far left: leading edge at 1
  EXPECT_EQ(ClampBand(-166, left, half, 1, 5, W), 3);   // p - half = 1: allowed as is
  EXPECT_EQ(ClampBand(-165, left, half, 1, 5, W), 4);
  EXPECT_EQ(ClampBand(5000, left, half, 1, 5, W), 571);  // far right: trailing edge at 573
  EXPECT_EQ(ClampBand(402, left, half, 1, 5, W), 571);   // p + half = 573 exactly
  EXPECT_EQ(ClampBand(401, left, half, 1, 5, W), 570);
  // Negative margins let the band go past the ends.
  EXPECT_EQ(ClampBand(-1000, left, half, -10, 5, W), -8);
  // A parent too small for both margins: the start wins.
  EXPECT_EQ(ClampBand(0, 0, half, 1, 5, 4), 3);
  EXPECT_EQ(ClampBand(INT32_MAX, INT32_MAX, half, 1, INT32_MIN, W), INT32_MAX);  // no overflow
}

TEST(DragGeometry, BandLinesPutTheExtraLineBeforeTheCentre) {
  auto r = BandLines(100, 4, 578);
  EXPECT_EQ(r.first, 98);
  EXPECT_EQ(r.end, 102);
  r = BandLines(100, 3, 578);
  EXPECT_EQ(r.first, 99);
  EXPECT_EQ(r.end, 102);
  r = BandLines(100, -3, 578);
  EXPECT_EQ(r.first, r.end);
  // Clipped to the parent; a huge width costs nothing.
  r = BandLines(1, 4, 578);
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.end, 3);
  r = BandLines(577, 4, 578);
  EXPECT_EQ(r.first, 575);
  EXPECT_EQ(r.end, 578);
  r = BandLines(300, INT32_MAX, 578);
  EXPECT_EQ(r.first, 0);
  EXPECT_EQ(r.end, 578);
  r = BandLines(-50, 4, 578);
  EXPECT_EQ(r.first, r.end);
}

TEST(DragGeometry, ReleaseResizesToTheBandsLeadingEdge) {
  // Tree at 0, panel at 169: a release without a move keeps the width.
  BandStart s = StartBand(169, 4);
  EXPECT_EQ(ResizedExtent(s.pos, s.half, 0), 169);
  EXPECT_EQ(ResizedExtent(ClampBand(-1000, 169, s.half, 1, 5, 578), s.half, 0), 1);
  EXPECT_EQ(ResizedExtent(ClampBand(5000, 169, s.half, 1, 5, 578), s.half, 0), 569);
  // A control that starts right of the band would get a negative size: it gets 0.
  EXPECT_EQ(ResizedExtent(50, 2, 100), 0);
  EXPECT_EQ(ResizedExtent(INT32_MIN, 2, INT32_MAX), 0);

  EndFigures f = EndDragFigures(171, 2, 169);
  EXPECT_EQ(f.pos, 169);
  EXPECT_EQ(f.cg, 0);
  f = EndDragFigures(3, 2, 169);  // read before the parent re-lays out the panel
  EXPECT_EQ(f.pos, 1);
  EXPECT_EQ(f.cg, -168);
}

}  // namespace
