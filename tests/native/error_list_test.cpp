// The error list: its line layouts, its observer and the file it is saved to.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "ops/common/error_list.h"

using namespace mv;

TEST(ErrorList, LinesAndTheirFile) {
  ErrorList list;
  int changes = 0;
  list.SetObserver([&] { ++changes; });
  list.Append(NotCopyLine("E:\\表\\x"));
  list.Append(DateSetErrLine(-5, "p"));
  EXPECT_EQ(list.Lines()[1], "DateSetErr ErrCode = -5 FileName = p");
  EXPECT_EQ(changes, 2);

  char dir[] = "/tmp/error_list_test_XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string file = std::string(dir) + "/list.$";
  ASSERT_TRUE(list.SaveToFile(file));
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(),
            "Not Copy FileName = E:\\\x95\x5C\\x\r\nDateSetErr ErrCode = -5 FileName = p\r\n");
  EXPECT_FALSE(list.SaveToFile(std::string(dir) + "/no/such/folder"));
  std::remove(file.c_str());
  rmdir(dir);

  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(changes, 3);
}
