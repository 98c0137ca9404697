#include <gtest/gtest.h>

#include "ops/attrib/date_time.h"
#include "ops/attrib/mask.h"

using namespace mv;

namespace {

const LocaleDates kLocale;

DateMask Typed(DateLayout layout, const char* digits) {
  DateMask m(LayoutInfo(layout).mask);
  m.TypeText(digits);
  return m;
}

}  // namespace

TEST(DateMask, UntouchedFieldReadsBlanksAndCountsAsEmpty) {
  DateMask m;
  EXPECT_EQ(m.Size(), 19u);
  EXPECT_EQ(m.Text(kLocale), "    /  /     :  :  ");
  EXPECT_EQ(m.DisplayText(kLocale), "____/__/__ __:__:__");
  EXPECT_TRUE(m.Empty(kLocale));
  EXPECT_EQ(DateMask(LayoutInfo(DateLayout::MonthYY).mask).Size(), 17u);
  EXPECT_EQ(DateMask(LayoutInfo(DateLayout::yearYY).mask).DigitPositions(), 12u);
}

TEST(DateMask, TypingFillsDigitPositionsAndStepsOverSeparators) {
  DateMask m;
  EXPECT_FALSE(m.TypeChar('x'));
  EXPECT_EQ(m.TypeText("1997"), 4u);
  EXPECT_EQ(m.Caret(), 5u);  // past the separator
  m.TypeText("0507120000");
  EXPECT_EQ(m.Text(kLocale), "1997/05/07 12:00:00");
  EXPECT_EQ(m.Caret(), 19u);
  EXPECT_FALSE(m.TypeChar('1'));  // full

  m.SetCaret(4);  // on a separator: the next digit position takes it
  EXPECT_TRUE(m.TypeChar('1'));
  EXPECT_EQ(m.Text(kLocale), "1997/15/07 12:00:00");

  LocaleDates dots;
  dots.dateSeparator = '-';
  dots.timeSeparator = '.';
  EXPECT_EQ(m.Text(dots), "1997-15-07 12.00.00");
}

TEST(DateMask, EditingKeysUntypeAndMoveOverSeparators) {
  DateMask m = Typed(DateLayout::yearYYYY, "19970507");
  EXPECT_EQ(m.Caret(), 11u);
  EXPECT_TRUE(m.Backspace());  // the blank before the hour is not a digit position
  EXPECT_EQ(m.Caret(), 9u);
  EXPECT_EQ(m.Text(kLocale), "1997/05/0    :  :  ");
  m.SetCaret(5);
  EXPECT_TRUE(m.Backspace());
  EXPECT_EQ(m.Caret(), 3u);
  EXPECT_FALSE(m.Delete());  // already untyped
  m.SetCaret(4);
  EXPECT_TRUE(m.Delete());  // from a separator: the digit after it; the caret stays
  EXPECT_EQ(m.Text(kLocale), "199 / 5/0    :  :  ");
  EXPECT_EQ(m.Caret(), 4u);

  EXPECT_TRUE(m.Right());
  EXPECT_EQ(m.Caret(), 5u);
  EXPECT_TRUE(m.Left());
  EXPECT_EQ(m.Caret(), 3u);
  EXPECT_TRUE(m.End());
  EXPECT_EQ(m.Caret(), 19u);
  EXPECT_TRUE(m.Home());
  EXPECT_EQ(m.Caret(), 0u);
  EXPECT_FALSE(m.Backspace());

  EXPECT_TRUE(m.ClearRange(0, 99));
  EXPECT_TRUE(m.Untouched());
}

TEST(DateMask, RelayingKeepsDigitsRightAligned) {
  DateMask m = Typed(DateLayout::yearYYYY, "19970507120000");
  m.SetMask(LayoutInfo(DateLayout::monthYYYY).mask);
  EXPECT_EQ(m.Text(kLocale), "19/97/0507 12:00:00");

  DateMask yy = Typed(DateLayout::yearYY, "970507120000");
  yy.SetMask(LayoutInfo(DateLayout::yearYYYY).mask);
  EXPECT_EQ(yy.Text(kLocale), "  97/05/07 12:00:00");
  EXPECT_EQ(yy.DisplayText(kLocale), "__97/05/07 12:00:00");
  EXPECT_TRUE(yy.Empty(kLocale));
  // Back again: the leading gaps are dropped, not carried as blanks.
  yy.SetMask(LayoutInfo(DateLayout::MonthYY).mask);
  EXPECT_EQ(yy.Text(kLocale), "97/05/07 12:00:00");

  // More digits than the new layout holds: the leading ones go, the field keeps its 17 positions.
  m.SetMask(LayoutInfo(DateLayout::yearYY).mask);
  EXPECT_EQ(m.Text(kLocale), "97/05/07 12:00:00");
  EXPECT_EQ(m.Caret(), 0u);

  // Gaps after the first typed digit stay gaps.
  DateMask gaps = Typed(DateLayout::yearYYYY, "1997");
  gaps.SetCaret(11);
  gaps.TypeText("12");
  gaps.SetMask(LayoutInfo(DateLayout::monthYYYY).mask);
  EXPECT_EQ(gaps.Text(kLocale), "19/97/     12:  :  ");

  DateMask untouched;
  untouched.SetMask(LayoutInfo(DateLayout::yearYY).mask);
  EXPECT_TRUE(untouched.Untouched());
}

TEST(DateMask, EmptinessLooksAtTheFirstTwoCharactersOnly) {
  EXPECT_TRUE(IsDateTextEmpty("    /  /     :  :  "));
  EXPECT_TRUE(IsDateTextEmpty("  97/05/07 12:00:00"));
  EXPECT_FALSE(IsDateTextEmpty(" 997/05/07 12:00:00"));
  EXPECT_FALSE(IsDateTextEmpty("1   /  /     :  :  "));
  EXPECT_TRUE(IsDateTextEmpty(""));
}

TEST(DateLayouts, StoredLabelSelectsALayoutExactly) {
  for (const DateLayoutInfo& info : DateLayouts()) {
    SCOPED_TRACE(info.ageLabel);
    EXPECT_EQ(LayoutFromAgeLabel(info.ageLabel), info.layout);
    EXPECT_EQ(std::string("(") + info.menuCaption + ")", info.ageLabel);
  }
  EXPECT_EQ(LayoutFromAgeLabel(kDefaultAgeLabel), DateLayout::yearYYYY);
  EXPECT_EQ(LayoutFromAgeLabel("(YYYY/mm/dd hh:mm:ss)"), std::nullopt);
  EXPECT_EQ(LayoutFromAgeLabel("(yyyy/mm/dd hh:mm:ss) "), std::nullopt);
  EXPECT_STREQ(LayoutInfo(DateLayout::yearYY).mask, LayoutInfo(DateLayout::MonthYY).mask);
}
