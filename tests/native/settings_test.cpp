// Settings value forms, read and write order, the view-mark rule and write failures.
#include <gtest/gtest.h>

#include <vector>

#include "app/settings/settings.h"
#include "platform/text.h"

using namespace mv;

namespace {

// An INI file in memory: sections and keys in order of first write, names without case.
class MemoryStore : public ProfileStore {
 public:
  struct Key {
    std::string name, value;
  };
  struct Section {
    std::string name;
    std::vector<Key> keys;
  };

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const override {
    reads.push_back(std::string(section) + "/" + std::string(key));
    for (const auto& s : sections)
      if (EqualsNoCase(s.name, section))
        for (const auto& k : s.keys)
          if (EqualsNoCase(k.name, key)) return k.value;
    return std::string(def);
  }
  bool WriteString(std::string_view section, std::string_view key,
                   std::string_view value) override {
    if (writesLeft == 0) return false;
    --writesLeft;
    Section* sec = nullptr;
    for (auto& s : sections)
      if (EqualsNoCase(s.name, section)) sec = &s;
    if (!sec) sec = &sections.emplace_back(Section{std::string(section), {}});
    for (auto& k : sec->keys)
      if (EqualsNoCase(k.name, key)) {
        k.value = value;
        return true;
      }
    sec->keys.push_back({std::string(key), std::string(value)});
    return true;
  }
  bool RemoveKey(std::string_view section, std::string_view key) override {
    if (writesLeft == 0) return false;
    for (auto& s : sections)
      if (EqualsNoCase(s.name, section))
        std::erase_if(s.keys, [&](const Key& k) { return EqualsNoCase(k.name, key); });
    return true;
  }
  std::string Path() const override { return "C:\\Prog\\Morvane.ini"; }

  void Set(const std::string& section, const std::string& key, const std::string& value) {
    int saved = writesLeft;
    writesLeft = 1;
    WriteString(section, key, value);
    writesLeft = saved;
  }
  std::string Get(const std::string& section, const std::string& key) const {
    return ReadString(section, key, "<none>");
  }
  // "[Section]" and "key=value" lines, as the file would hold them.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    for (const auto& s : sections) {
      out.push_back("[" + s.name + "]");
      for (const auto& k : s.keys) out.push_back(k.name + "=" + k.value);
    }
    return out;
  }

  std::vector<Section> sections;
  mutable std::vector<std::string> reads;
  int writesLeft = -1;  // negative: unlimited
};

TEST(SettingsValues, IntegerForms) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"578", 578},
      {"-12", -12},
      {"+7", 7},
      {"0", 0},
      {"0x200", 512},
      {"0X1f", 31},
      {"$200", 512},
      {"-$10", -16},
      {"0x", 99},
      {"0X", 99},
      {"", 99},
      {"12a", 99},
      {"0x12g", 99},
      {" 5", 99},
      {"-", 99},
      {"$", 99},
      {"0x-5", 99},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", 99},
      {"0x80000000", 99},
      {"$7FFFFFFF", INT32_MAX},
      {"99999999999999999999", 99},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseSettingInteger(c.text, 99), c.expected) << '"' << c.text << '"';
  // A 2 MB run of digits neither overflows nor takes long: it is simply invalid.
  EXPECT_EQ(ParseSettingInteger(std::string(2 << 20, '9'), 7), 7);
  EXPECT_EQ(ParseSettingInteger("0x" + std::string(2 << 20, 'f'), 7), 7);
}

TEST(SettingsValues, BooleansAreIntegersWithADefault) {
  EXPECT_TRUE(ParseSettingBool("-3", false));
  EXPECT_FALSE(ParseSettingBool("0", true));
  EXPECT_TRUE(ParseSettingBool("yes", true));
  EXPECT_FALSE(ParseSettingBool("yes", false));
}

TEST(SettingsValues, TextIsClippedOnACharacterBoundary) {
  EXPECT_EQ(ClipSettingText(std::string(1023, 'a')).size(), 1023u);
  EXPECT_EQ(ClipSettingText(std::string(2 << 20, 'a')), std::string(1023, 'a'));
  // 表 is 95 5C: at 1022 bytes of 'a' a whole 表 does not fit, and its lead byte must not stay.
  EXPECT_EQ(ClipSettingText(std::string(1022, 'a') + "表表"), std::string(1022, 'a'));
}

TEST(SettingsRead, MissingFileGivesTheDefaults) {
  MemoryStore store;
  Settings s = ReadSettings(store);
  EXPECT_EQ(s.ageLabel, "(yyyy/mm/dd hh:mm:ss)");
  EXPECT_FALSE(s.icon);
  EXPECT_FALSE(s.list);
  EXPECT_TRUE(s.report);
  EXPECT_FALSE(s.smallIcon);
  EXPECT_EQ(s.Style(), ListStyle::Report);
  EXPECT_EQ(s.formWidth, 578);
  EXPECT_EQ(s.formHeight, 435);
  EXPECT_EQ(s.treeWidth, 169);
  EXPECT_FALSE(s.subDirChecked);
  EXPECT_EQ(store.reads, (std::vector<std::string>{
                             "DateType/AgeLabel", "ListImage/Icon", "ListImage/List",
                             "ListImage/Report", "ListImage/Small Icon", "Form/Dpi", "Form/Width",
                             "Form/Height", "DirTreeView/Width", "SelectMode/Checked"}));
}

TEST(SettingsRead, SizesDefaultToTheCurrentLayout) {
  MemoryStore store;
  store.Set("Form", "Width", "junk");
  store.Set("DirTreeView", "Width", "");
  Settings current;
  current.formWidth = 800;
  current.formHeight = 600;
  current.treeWidth = 200;
  Settings s = ReadSettings(store, current);
  EXPECT_EQ(s.formWidth, 800);
  EXPECT_EQ(s.formHeight, 600);
  EXPECT_EQ(s.treeWidth, 200);
}

// The sizes are pixels of the display they were written on: the same display gets them back
// exactly, another density gets them in proportion, and a file without a density is a 96-DPI one.
TEST(SettingsRead, SizesAreCarriedFromTheDensityTheyWereWrittenAt) {
  struct Case {
    const char* dpi;  // the stored Form/Dpi, nullptr when missing
    const char* width;
    int screenDpi;
    int32_t expected;
  } cases[] = {
      {nullptr, "578", 96, 578},
      {nullptr, "578", 144, 867},
      {nullptr, "435", 144, 653},
      {nullptr, "579", 144, 869},
      {"144", "869", 144, 869},
      {"144", "869", 96, 579},
      {"144", "868", 96, 579},
      {"192", "1156", 144, 867},
      {"144", "-40", 96, -27},
      {"144", "0", 192, 0},
      {"0x90", "867", 96, 578},
      {"0", "578", 144, 867},
      {"-144", "578", 144, 867},
      {"junk", "578", 144, 867},
      {"47", "578", 144, 867},
      {"961", "578", 144, 867},
      {"960", "960", 96, 96},
      {"48", "48", 96, 96},
      {nullptr, "2147483647", 192, INT32_MAX},
      {nullptr, "-2147483648", 192, INT32_MIN},
  };
  for (const Case& c : cases) {
    MemoryStore store;
    if (c.dpi) store.Set("Form", "Dpi", c.dpi);
    store.Set("Form", "Width", c.width);
    store.Set("DirTreeView", "Width", c.width);
    Settings current;
    current.dpi = c.screenDpi;
    current.formHeight = 12345;  // missing: the layout's value on this display, as it is
    const Settings s = ReadSettings(store, current);
    SCOPED_TRACE(std::string(c.dpi ? c.dpi : "-") + " " + c.width + " at " +
                 std::to_string(c.screenDpi));
    EXPECT_EQ(s.formWidth, c.expected);
    EXPECT_EQ(s.treeWidth, c.expected);
    EXPECT_EQ(s.formHeight, 12345);
    EXPECT_EQ(s.dpi, c.screenDpi);
  }
}

TEST(SettingsRead, StoredValuesWithoutRangeChecksAndNamesWithoutCase) {
  MemoryStore store;
  store.Set("form", "WIDTH", "0x200");
  store.Set("FORM", "height", "0");
  store.Set("dirtreeview", "width", "$10");
  store.Set("selectmode", "checked", "5");
  store.Set("datetype", "agelabel", "(mm/dd/yy hh:mm:ss)");
  Settings s = ReadSettings(store);
  EXPECT_EQ(s.formWidth, 512);
  EXPECT_EQ(s.formHeight, 0);
  EXPECT_EQ(s.treeWidth, 16);
  EXPECT_TRUE(s.subDirChecked);
  EXPECT_EQ(s.ageLabel, "(mm/dd/yy hh:mm:ss)");
}

TEST(SettingsRead, UnknownAgeLabelIsKeptAndClipped) {
  MemoryStore store;
  store.Set("DateType", "AgeLabel", std::string(5000, 'x'));
  EXPECT_EQ(ReadSettings(store).ageLabel, std::string(1023, 'x'));
  store.Set("DateType", "AgeLabel", "");  // present but empty: not the default
  EXPECT_EQ(ReadSettings(store).ageLabel, "");
}

TEST(SettingsRead, LastTrueViewKeyWins) {
  struct Case {
    const char *icon, *list, *report, *small;
    bool marks[4];
    ListStyle style;
  } cases[] = {
      {"1", "0", "1", "0", {false, false, true, false}, ListStyle::Report},
      {"1", "0", "0", "0", {true, false, false, false}, ListStyle::Icon},
      {"1", "1", "0", "1", {false, false, false, true}, ListStyle::SmallIcon},
      {"0", "7", "0", "0", {false, true, false, false}, ListStyle::List},
      {"0", "0", "0", "0", {false, false, false, false}, ListStyle::Report},
      // A missing Report key reads as its default, true.
      {"1", "0", nullptr, "0", {false, false, true, false}, ListStyle::Report},
  };
  for (const Case& c : cases) {
    MemoryStore store;
    store.Set("ListImage", "Icon", c.icon);
    store.Set("ListImage", "List", c.list);
    if (c.report) store.Set("ListImage", "Report", c.report);
    store.Set("ListImage", "Small Icon", c.small);
    Settings s = ReadSettings(store);
    SCOPED_TRACE(std::string(c.icon) + c.list + (c.report ? c.report : "-") + c.small);
    EXPECT_EQ(s.icon, c.marks[0]);
    EXPECT_EQ(s.list, c.marks[1]);
    EXPECT_EQ(s.report, c.marks[2]);
    EXPECT_EQ(s.smallIcon, c.marks[3]);
    EXPECT_EQ(s.Style(), c.style);
  }
}

TEST(SettingsWrite, FirstWriteHoldsTheNineKeysInOrder) {
  MemoryStore store;
  EXPECT_EQ(WriteSettings(store, ReadSettings(store)), std::nullopt);
  EXPECT_EQ(store.Lines(),
            (std::vector<std::string>{"[DateType]", "AgeLabel=(yyyy/mm/dd hh:mm:ss)", "[ListImage]",
                                      "Icon=0", "List=0", "Report=1", "Small Icon=0",
                                      "[SelectMode]", "Checked=0", "[Form]", "Width=578",
                                      "Height=435", "[DirTreeView]", "Width=169"}));
}

TEST(SettingsWrite, TheDensityIsStoredBesideTheSizesOnlyWhenItIsNot96) {
  MemoryStore store;
  Settings s;
  s.formWidth = 867;
  s.dpi = 144;
  ASSERT_EQ(WriteSettings(store, s), std::nullopt);
  EXPECT_EQ(store.Lines(),
            (std::vector<std::string>{"[DateType]", "AgeLabel=(yyyy/mm/dd hh:mm:ss)", "[ListImage]",
                                      "Icon=0", "List=0", "Report=1", "Small Icon=0",
                                      "[SelectMode]", "Checked=0", "[Form]", "Width=867",
                                      "Height=435", "Dpi=144", "[DirTreeView]", "Width=169"}));
  // Back on a 96-DPI display the file holds what it held before densities were stored.
  Settings back = ReadSettings(store, Settings{});
  EXPECT_EQ(back.formWidth, 578);
  ASSERT_EQ(WriteSettings(store, back), std::nullopt);
  EXPECT_EQ(store.Get("Form", "Dpi"), "<none>");
  EXPECT_EQ(store.Get("Form", "Width"), "578");
  // Taking it out is a write like the others, and fails like them.
  store.Set("Form", "Dpi", "144");
  store.writesLeft = 9;
  EXPECT_EQ(WriteSettings(store, back), "C:\\Prog\\Morvane.ini に書き込めません");
}

TEST(SettingsWrite, RoundTripStoresResolvedMarks) {
  MemoryStore store;
  store.Set("ListImage", "Icon", "1");
  store.Set("ListImage", "Report", "1");
  store.Set("Form", "Width", "-40");
  ASSERT_EQ(WriteSettings(store, ReadSettings(store)), std::nullopt);
  EXPECT_EQ(store.Get("ListImage", "Icon"), "0");
  EXPECT_EQ(store.Get("ListImage", "Report"), "1");
  EXPECT_EQ(store.Get("Form", "Width"), "-40");

  MemoryStore none;
  for (const char* key : {"Icon", "List", "Report", "Small Icon"}) none.Set("ListImage", key, "0");
  ASSERT_EQ(WriteSettings(none, ReadSettings(none)), std::nullopt);
  for (const char* key : {"Icon", "List", "Report", "Small Icon"})
    EXPECT_EQ(none.Get("ListImage", key), "0");
}

TEST(SettingsWrite, StopsAtTheFirstFailure) {
  for (int okWrites : {0, 3, 8}) {
    MemoryStore store;
    store.writesLeft = okWrites;
    auto error = WriteSettings(store, Settings{});
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, "C:\\Prog\\Morvane.ini に書き込めません");
    size_t keys = 0;
    for (const auto& s : store.sections) keys += s.keys.size();
    EXPECT_EQ(keys, static_cast<size_t>(okWrites));
  }
}

}  // namespace
