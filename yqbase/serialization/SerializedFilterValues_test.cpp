#include <gtest/gtest.h>

#include <cstdio>

#include "yqbase/filters/FilterSet.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/serialization/SerializedBase.h"

// A serialized context attached to a filter item is written in its text form; other values
// leave the field empty.
TEST(CFilterSet, FileLinesCarrySerializedContexts) {
  struct CContext : CSerializedContext {
    std::string AsSerialized() const override { return "<~87cURD]i~>"; }
  };
  CFilterSet set;
  ASSERT_TRUE(
      set.AddFilterItem(BFilterNodeState::Filter, "/a", FVBasePtr(new CContext)).Succeeded());
  ASSERT_TRUE(
      set.AddFilterItem(BFilterNodeState::Exception, "/a/b", FVBasePtr(new FVBase)).Succeeded());
  yqtest::CScopedCaptureLog capture(1);
  FILE* file = std::tmpfile();
  ASSERT_TRUE(set.SerializeToFile("s", file).Succeeded());
  ASSERT_EQ(1u, capture.Writer().lines.size());
  EXPECT_EQ("Identifier=s, Count=2", capture.Writer().lines[0].text);
  char text[128] = {0};
  std::rewind(file);
  EXPECT_LT(0u, std::fread(text, 1, sizeof text - 1, file));
  std::fclose(file);
  EXPECT_STREQ("s||F||/a||<~87cURD]i~>\ns||E||/a/b||\n", text);
}
