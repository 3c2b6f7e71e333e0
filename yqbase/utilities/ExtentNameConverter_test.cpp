#include "yqbase/utilities/ExtentNameConverter.h"

#include <gtest/gtest.h>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriter_testutil.h"

namespace {
constexpr unsigned long long kLimit = 1ULL << 40;
}  // namespace

TEST(ExtentNameConverter, DigitCountFromSizes) {
  const struct {
    unsigned long long first, second;
    int digits;
  } rows[] = {
      {kLimit, 1, 8}, {1024, 1, 2}, {1025, 1, 3}, {1ULL << 50, 1 << 10, 8},
      {~0ULL, 1, 13},             // 64 bits
      {5, 5, 1},      {0, 7, 1},  // a quotient of 1 or less still names extent 0
      {9, 0, 8},                  // no range: the default
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.first);
    EXPECT_EQ(row.digits, ExtentNameConverter(row.first, row.second).GetDigitCount());
  }
  EXPECT_EQ(8, ExtentNameConverter().GetDigitCount());
}

// Every name reads back as its number, and names of one width sort as their numbers do.
TEST(ExtentNameConverter, NamesRoundTripAndSortInNumericOrder) {
  const struct {
    unsigned long long extent;
    const char* name;  // nullptr: no name
  } rows[] = {
      {0, "00000000"},  {1, "00000001"},          {31, "0000000V"},
      {32, "00000010"}, {kLimit - 1, "VVVVVVVV"}, {kLimit, nullptr},
  };
  ExtentNameConverter converter(kLimit, 1, "/store/c1");
  std::string previous;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.extent);
    char name[9] = "x";
    EXPECT_EQ(row.name != nullptr,
              ExtentNameConverter::Extent_dec_to_base32_v2(row.extent, name, 8));
    std::string path;
    const CYqError err = converter.GetFilePath(row.extent, path);
    if (row.name == nullptr) {
      EXPECT_EQ(1, FXErrorUtil::GetInt(err));
      EXPECT_NE(std::string::npos, err.AsString().find("failed to get filepath"));
      EXPECT_EQ("", path);
      continue;
    }
    EXPECT_STREQ(row.name, name);
    EXPECT_EQ(std::string("/store/c1/") + row.name, path);
    PD_U64 number = 7;
    EXPECT_TRUE(converter.GetExtentNumber(path, number));
    EXPECT_EQ(row.extent, number);
    EXPECT_EQ(row.extent, ExtentNameConverter::Extent_base32_to_dec(name));
    EXPECT_LT(previous, path);
    previous = path;
  }
  char small[3];
  EXPECT_FALSE(ExtentNameConverter::Extent_dec_to_base32_v2(1024, small, 2));  // needs 3
  EXPECT_TRUE(ExtentNameConverter::Extent_dec_to_base32_v2(0, small, 0));
  EXPECT_STREQ("", small);
  std::string bare;
  EXPECT_TRUE(ExtentNameConverter(1024, 1).GetFilePath(33, bare).Succeeded());
  EXPECT_EQ("11", bare);
  ExtentNameConverter zero;
  zero.SetDigitCount(0);  // would name every extent "" and give the folder's own path
  EXPECT_EQ(1, FXErrorUtil::GetInt(zero.GetFilePath(0, bare)));
}

TEST(ExtentNameConverter, ReadingNamesRefusesWhatNoConverterWrites) {
  const struct {
    const char* path;
    bool valid;
    PD_U64 number;
  } rows[] = {
      {"/store/c1/0000000A", true, 10},  {"/store/c1/0000000a", true, 10},  // either case
      {"/store/c1/", false, 0},                                             // empty name
      {"/store/c1/000000A", false, 0},    // too short for 8 digits
      {"/store/c1/00000000A", false, 0},  // too long
      {"/store/c1/0000000W", false, 0},   // outside the alphabet
      {"/store/c1/notes.txt", false, 0}, {"/store/c1/-000000A", false, 0},
  };
  const ExtentNameConverter converter;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    PD_U64 number = 99;
    EXPECT_EQ(row.valid, converter.GetExtentNumber(row.path, number));
    EXPECT_EQ(row.number, number);
    const std::string path = row.path;
    const std::string leaf = path.substr(path.rfind('/') + 1);
    EXPECT_EQ(row.valid, converter.GetExtentNumberFromFileName(leaf, number));
    EXPECT_EQ(row.number, number);
  }
  PD_U64 number = 0;
  EXPECT_FALSE(converter.GetExtentNumber("0000000A", number));  // no "/"
  EXPECT_TRUE(converter.GetExtentNumber("c1\\0000000B", number, '\\'));
  EXPECT_EQ(11u, number);
  EXPECT_EQ(10u, ExtentNameConverter::Extent_base32_to_dec("A.txt"));  // stops at "."
  EXPECT_EQ(0u, ExtentNameConverter::Extent_base32_to_dec(" 1"));
  EXPECT_EQ(0u, ExtentNameConverter::Extent_base32_to_dec("-1"));
  EXPECT_EQ(~0ULL, ExtentNameConverter::Extent_base32_to_dec("VVVVVVVVVVVVVV"));
}

TEST(ExtentNameConverter, ContainerAndSplit) {
  const ExtentNameConverter converter;
  std::string container = "stale";
  EXPECT_TRUE(converter.GetFileName("/store/c1/0000000A", container));
  EXPECT_EQ("/store/c1", container);
  EXPECT_FALSE(converter.GetFileName("0000000A", container));

  PD_U64 number = 0;
  EXPECT_TRUE(ExtentNameConverter::GetFileNameAndExtentNumber("/s/0A", container, number));
  EXPECT_EQ("/s/", container);
  EXPECT_EQ(10u, number);
  EXPECT_FALSE(ExtentNameConverter::GetFileNameAndExtentNumber("/s/x.log", container, number));
  EXPECT_EQ(0u, number);

  yqtest::CScopedCaptureLog capture(0);
  EXPECT_FALSE(ExtentNameConverter::GetFileNameAndExtentNumber("", container, number));
  ASSERT_EQ(1u, capture.Writer().Lines().size());
  EXPECT_EQ(-1, capture.Writer().Lines()[0].level);
  EXPECT_EQ(0u, capture.Writer().Lines()[0].text.find(
                    "Failed to split extentPath into container filePath and extentNumber, error="));
}

TEST(ExtentNameConverter, NumToBaseN) {
  const struct {
    unsigned long long value;
    int base, digits;
    unsigned length;
    bool ok;
    const char* text;
    unsigned lengthAfter;
  } rows[] = {
      {61, 62, 2, 3, true, "0z", 2},    {35, 36, 3, 8, true, "00Z", 3},
      {5, 2, 3, 4, true, "101", 3},     {8, 2, 3, 4, false, nullptr, 3},  // needs 4 digits
      {1, 63, 2, 3, false, nullptr, 0}, {1, 1, 2, 3, false, nullptr, 0},  // bad bases
      {1, 10, 3, 3, false, nullptr, 3},  // no room for the terminating zero
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    ExtentNameConverter converter;
    converter.SetDigitCount(row.digits);
    char buffer[8] = "";
    unsigned length = row.length;
    EXPECT_EQ(row.ok, converter.NumToBaseN(row.value, buffer, length, row.base));
    EXPECT_EQ(row.lengthAfter, length);
    EXPECT_TRUE(row.text == nullptr || std::string(row.text) == buffer) << buffer;
  }
}
