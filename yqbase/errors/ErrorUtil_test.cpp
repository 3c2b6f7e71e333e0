#include "yqbase/errors/ErrorUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "yqbase/errors/ErrorItem_ErrNo.h"
#include "yqbase/errors/ErrorItem_Http.h"
#include "yqbase/errors/ErrorItem_Win32.h"

namespace {

HRESULT W(DWORD code) { return static_cast<HRESULT>(0x80070000u | code); }
HRESULT E(DWORD code) { return static_cast<HRESULT>(0xECCC0000u | code); }

const FXCodeLocation kLoc = {"errors/ErrorUtil_test.cpp", "void Test::Run()", 7};

std::vector<std::vector<HRESULT>> Groups() {
  std::vector<std::vector<HRESULT>> groups;
  for (unsigned int g = 0; g < hrMapCount; ++g) {
    std::vector<HRESULT> members;
    for (const HRESULT* code = hrMap[g]; *code != 0; ++code) members.push_back(*code);
    groups.push_back(members);
  }
  return groups;
}

// The groups in table order, written out independently of the table's source.
std::vector<std::vector<HRESULT>> ExpectedGroups() {
  std::vector<std::vector<HRESULT>> groups = {
      {W(1), E(1)},   {W(2), E(2)},    {W(3), E(2)},     {W(111), E(75)}, {W(14), E(12)},
      {W(80), E(17)}, {W(109), E(32)}, {W(258), E(110)}, {W(112), E(28)}, {W(5), E(13)},
  };
  std::vector<std::vector<HRESULT>> sock(92);
  for (DWORD n = 1; n <= 39; ++n) sock[n] = {E(n)};
  for (DWORD n : {4u, 9u, 13u, 14u, 22u, 24u}) sock[n] = {E(n), W(10000 + n)};
  sock[40] = {E(11), W(10035)};
  sock[41] = {E(115), W(10036)};
  sock[42] = {E(114), W(10037)};
  for (DWORD k = 0; k <= 23; ++k) sock[43 + k] = {E(88 + k), W(10038 + k)};
  const DWORD errnos67[] = {40, 36, 112, 113, 39};
  for (DWORD k = 0; k < 5; ++k) sock[67 + k] = {E(errnos67[k]), W(10062 + k)};
  sock[72] = {W(10067)};
  const DWORD errnos73[] = {87, 122, 116, 66};
  for (DWORD k = 0; k < 4; ++k) sock[73 + k] = {E(errnos73[k]), W(10068 + k)};
  sock[77] = {E(11), W(11002)};
  sock[78] = {E(61), W(11004)};
  sock[79] = {E(12), W(8)};
  sock[80] = {E(22), W(87)};
  sock[81] = {W(10091)};
  sock[82] = {W(10092)};
  sock[83] = {W(10093)};
  sock[84] = {W(11001)};
  sock[85] = {W(11003)};
  sock[86] = {W(10101)};
  sock[87] = {W(10107)};
  sock[88] = {W(995)};
  sock[89] = {W(996)};
  sock[90] = {W(997)};
  sock[91] = {W(6)};
  groups.insert(groups.end(), sock.begin() + 1, sock.end());
  return groups;
}

bool SameMembers(std::vector<HRESULT> a, std::vector<HRESULT> b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

}  // namespace

TEST(hrMap, GroupCountsAndMembership) {
  const std::vector<std::vector<HRESULT>> groups = Groups();
  const std::vector<std::vector<HRESULT>> expected = ExpectedGroups();
  ASSERT_EQ(101u, groups.size());
  ASSERT_EQ(expected.size(), groups.size());
  int pairs = 0, singles = 0;
  for (size_t g = 0; g < groups.size(); ++g) {
    SCOPED_TRACE("group " + std::to_string(g));
    EXPECT_TRUE(SameMembers(expected[g], groups[g]));
    if (groups[g].size() == 2) ++pairs;
    if (groups[g].size() == 1) ++singles;
  }
  EXPECT_EQ(56, pairs);
  EXPECT_EQ(45, singles);
}

// The compiled containers must give exactly the relation "shares a group" over every code of
// the table and a few strangers, in both argument orders.
TEST(FXErrorUtil, CompiledMatchesEqualGroupRelation) {
  const std::vector<std::vector<HRESULT>> groups = Groups();
  std::vector<HRESULT> codes = {0, 1, -1, W(4), E(200), static_cast<HRESULT>(0x80004005)};
  for (const auto& group : groups) codes.insert(codes.end(), group.begin(), group.end());
  for (HRESULT a : codes) {
    std::set<HRESULT> expectedMatches;
    for (const auto& group : groups)
      if (std::find(group.begin(), group.end(), a) != group.end())
        for (HRESULT m : group)
          if (m != a) expectedMatches.insert(m);
    EXPECT_EQ(expectedMatches, FXErrorUtil::GetMatches(a)) << std::hex << a;
    for (HRESULT b : codes) {
      const bool expected = a == b || expectedMatches.count(b) != 0;
      ASSERT_EQ(expected, FXErrorUtil::Matches(a, b)) << std::hex << a << " " << b;
      ASSERT_EQ(FXErrorUtil::Matches(a, b), FXErrorUtil::Matches(b, a));
    }
  }
}

TEST(FXErrorUtil, CompilingAgainChangesNothing) {
  const std::set<HRESULT> before = FXErrorUtil::GetMatches(E(2));
  FXErrorUtil::CompileErrorMappingsIntoContainer();
  EXPECT_EQ(before, FXErrorUtil::GetMatches(E(2)));
  EXPECT_TRUE(CYqError(W(5)).Is(E(13)));
  EXPECT_TRUE(CYqError(E(13)).Is(W(5)));
}

// One row per kind: the result code made from a native code, and whether the kind's getter
// and Is see it back.
TEST(FXErrorUtil, ResultCodesOfEveryKind) {
  struct Row {
    const char* name;
    CYqError error;
    DWORD code;
  };
  const Row rows[] = {
      {"ZKResult", FXErrorUtil::ErrorZKResult(kLoc, 0x1F), 0xEDA0001F},
      {"ErrNo", FXErrorUtil::ErrorErrNo(kLoc, 2), 0xECCC0002},
      {"Int", FXErrorUtil::ErrorInt(kLoc, 7), 0xEDDD0007},
      {"Win32", FXErrorUtil::ErrorWin32(kLoc, 5), 0x80070005},
      {"Win32 zero", FXErrorUtil::ErrorWin32(kLoc, 0), 0x80070306},
      {"Win32 wide", FXErrorUtil::ErrorWin32(kLoc, 0x12345), 0x80072345},
      {"Win32 negative", FXErrorUtil::ErrorWin32(kLoc, 0x80004005), 0x80004005},
      {"HResult", FXErrorUtil::ErrorHResult(kLoc, static_cast<HRESULT>(0x80004005)), 0x80004005},
      {"Http", FXErrorUtil::ErrorHttp(kLoc, 404), 0xEC000194},
      {"SQLite", FXErrorUtil::ErrorSQLite(kLoc, 266), 0xEDB0010A},
      {"EventMessage narrow", FXErrorUtil::ErrorEventMessage(kLoc, 0x05000123), 0xE8050123},
      {"EventMessage wide", FXErrorUtil::ErrorEventMessage(kLoc, 0x02C20123), 0xE8B00123},
      {"EventMessage zero", FXErrorUtil::ErrorEventMessage(kLoc, 0), 0},
      // Codes are or-ed, not masked: wider values spill into the facility.
      {"ErrNo spill", FXErrorUtil::ErrorErrNo(kLoc, 0x10002), 0xECCD0002},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(static_cast<HRESULT>(row.code), row.error.GetCode());
    ASSERT_EQ(1u, row.error.GetItems().size());
  }
}

TEST(FXErrorUtil, GettersOfEveryKind) {
  const CYqError errNo = FXErrorUtil::ErrorErrNo(kLoc, 2);
  EXPECT_EQ(2, FXErrorUtil::GetErrNo(errNo));
  EXPECT_EQ(2u, FXErrorUtil::GetWin32(errNo));  // W 2 comes before W 3
  EXPECT_EQ(-1, FXErrorUtil::GetSQLite(errNo));
  EXPECT_EQ(-1, FXErrorUtil::GetZKResult(errNo));
  EXPECT_EQ(-1, FXErrorUtil::GetInt(errNo));
  EXPECT_EQ(0xFFFF, FXErrorUtil::GetHttp(errNo));
  EXPECT_EQ(-1, FXErrorUtil::GetEventMessage(errNo));

  EXPECT_EQ(2, FXErrorUtil::GetErrNo(FXErrorUtil::ErrorWin32(kLoc, 2)));
  EXPECT_EQ(2, FXErrorUtil::GetErrNo(FXErrorUtil::ErrorWin32(kLoc, 3)));
  EXPECT_EQ(0xFFFF, FXErrorUtil::GetErrNo(FXErrorUtil::ErrorWin32(kLoc, 1450)));
  EXPECT_EQ(10035u, FXErrorUtil::GetWin32(FXErrorUtil::ErrorErrNo(kLoc, 11)));
  EXPECT_EQ(774u, FXErrorUtil::GetWin32(FXErrorUtil::ErrorErrNo(kLoc, 200)));
  EXPECT_EQ(774u, FXErrorUtil::GetWin32(FXErrorUtil::ErrorSQLite(kLoc, 5)));

  EXPECT_EQ(0x1F, FXErrorUtil::GetZKResult(FXErrorUtil::ErrorZKResult(kLoc, 0x1F)));
  EXPECT_EQ(7, FXErrorUtil::GetInt(FXErrorUtil::ErrorInt(kLoc, 7)));
  EXPECT_EQ(404, FXErrorUtil::GetHttp(FXErrorUtil::ErrorHttp(kLoc, 404)));
  EXPECT_EQ(266, FXErrorUtil::GetSQLite(FXErrorUtil::ErrorSQLite(kLoc, 266)));
  EXPECT_EQ(5u, FXErrorUtil::GetWin32(FXErrorUtil::ErrorWin32(kLoc, 5)));

  // A success reads 0 in every kind; a bare failure of no kind reads the no-match values.
  const CYqError success;
  EXPECT_EQ(0, FXErrorUtil::GetErrNo(success));
  EXPECT_EQ(0u, FXErrorUtil::GetWin32(success));
  EXPECT_EQ(0, FXErrorUtil::GetEventMessage(success));
  EXPECT_EQ(0, FXErrorUtil::GetInt(success));
  const CYqError other(static_cast<HRESULT>(0x80004005));
  EXPECT_EQ(0xFFFF, FXErrorUtil::GetErrNo(other));
  EXPECT_EQ(774u, FXErrorUtil::GetWin32(other));
  EXPECT_EQ(-1, FXErrorUtil::GetInt(other));
}

TEST(FXErrorUtil, IsThroughTheGroups) {
  const CYqError errNo = FXErrorUtil::ErrorErrNo(kLoc, 2);
  EXPECT_TRUE(FXErrorUtil::IsErrNo(errNo, 2));
  EXPECT_TRUE(FXErrorUtil::IsWin32(errNo, 2));
  EXPECT_TRUE(FXErrorUtil::IsWin32(errNo, 3));
  EXPECT_TRUE(FXErrorUtil::IsNotWin32(errNo, 5));
  EXPECT_TRUE(FXErrorUtil::IsNotErrNo(errNo, 3));
  EXPECT_TRUE(FXErrorUtil::IsWin32(FXErrorUtil::ErrorWin32(kLoc, 0x12345), 0x2345));
  // Code 0 is compared as itself, not as the 0x80070306 that ErrorWin32(0) makes.
  EXPECT_TRUE(FXErrorUtil::IsWin32(CYqError(), 0));
  EXPECT_FALSE(FXErrorUtil::IsWin32(FXErrorUtil::ErrorWin32(kLoc, 0), 0));
  EXPECT_TRUE(FXErrorUtil::IsHResult(CYqError(W(5)), W(5)));
  EXPECT_TRUE(FXErrorUtil::IsHResult(CYqError(W(5)), E(13)));
  EXPECT_TRUE(FXErrorUtil::IsZKResult(FXErrorUtil::ErrorZKResult(kLoc, 3), 3));
  EXPECT_TRUE(FXErrorUtil::IsInt(FXErrorUtil::ErrorInt(kLoc, 3), 3));
  EXPECT_TRUE(FXErrorUtil::IsHttp(FXErrorUtil::ErrorHttp(kLoc, 500), 500));
  EXPECT_TRUE(FXErrorUtil::IsSQLite(FXErrorUtil::ErrorSQLite(kLoc, 5), 5));
  EXPECT_TRUE(FXErrorUtil::IsNotSQLite(FXErrorUtil::ErrorSQLite(kLoc, 5), 6));
}

TEST(FXErrorUtil, KindTests) {
  EXPECT_TRUE(FXErrorUtil::IsTypeErrNo(FXErrorUtil::ErrorErrNo(kLoc, 2)));
  EXPECT_FALSE(FXErrorUtil::IsTypeErrNo(CYqError(static_cast<HRESULT>(0xCCCC0002))));  // bit 29
  EXPECT_TRUE(FXErrorUtil::IsTypeWin32(CYqError(W(5))));
  // Only the facility counts here, not the severity bits.
  EXPECT_TRUE(FXErrorUtil::IsTypeWin32(CYqError(static_cast<HRESULT>(0xC0070005))));
  EXPECT_FALSE(FXErrorUtil::IsTypeWin32(CYqError(static_cast<HRESULT>(0x80080005))));
  EXPECT_TRUE(FXErrorUtil::IsTypeEventMessage(FXErrorUtil::ErrorEventMessage(kLoc, 0x123)));
  EXPECT_FALSE(FXErrorUtil::IsTypeEventMessage(FXErrorUtil::ErrorErrNo(kLoc, 2)));
  // The success made by identifier 0 still carries its item.
  const CYqError zero = FXErrorUtil::ErrorEventMessage(kLoc, 0);
  EXPECT_TRUE(zero.Succeeded());
  EXPECT_EQ(1u, zero.GetItems().size());
}

// Identifiers whose category survives the folding into the result code come back unchanged.
TEST(FXErrorUtil, EventMessageIdentifiersRoundTrip) {
  const int ids[] = {
      0x00000001, 0x00007FFF, 0x01000005, 0x7F007FFF,  // narrow layout, categories 0 to 127
      0x02020010, 0x0FFE7FFF, 0x06E20042,              // wide layout, categories 128 to 1023
  };
  for (int id : ids) {
    SCOPED_TRACE(testing::Message() << std::hex << id);
    const CYqError error = FXErrorUtil::ErrorEventMessage(kLoc, id);
    EXPECT_TRUE(FXErrorUtil::IsTypeEventMessage(error));
    EXPECT_EQ(id, FXErrorUtil::GetEventMessage(error));
    EXPECT_TRUE(FXErrorUtil::IsEventMessage(error, id));
  }
  // Is requires the error's own code to be an event message, even when the codes are equal.
  EXPECT_FALSE(FXErrorUtil::IsEventMessage(CYqError(), 0));
}

TEST(FXErrorUtil, EventMessageByCategory) {
  const CYqError error = FXErrorUtil::ErrorEventMessage(kLoc, 0x01000005);
  // The category is read from the result code 0xE8010005: bits 24 to 30 give 0x68.
  EXPECT_EQ(0x01000005, FXErrorUtil::GetEventMessage(error, 0x68));
  EXPECT_EQ(-1, FXErrorUtil::GetEventMessage(error, 1));
  EXPECT_EQ(0, FXErrorUtil::GetEventMessage(CYqError(), 1));
  EXPECT_EQ(-1, FXErrorUtil::GetEventMessage(FXErrorUtil::ErrorErrNo(kLoc, 2), 0x6C));
}

TEST(FXErrorUtil, PushKeepsTheCodeAndPutsTheItemInFront) {
  CYqError error = FXErrorUtil::ErrorErrNo(kLoc, 2);
  FXErrorUtil::PushWin32(error, kLoc, 5);
  FXErrorUtil::PushHttp(error, kLoc, 404, "url=%s", "/x");
  FXErrorUtilPushHttp(error, kLoc, 500, "retry %d", 3);
  EXPECT_EQ(E(2), error.GetCode());
  const std::vector<FXErrorItemPtr> items = error.GetItems();
  ASSERT_EQ(4u, items.size());
  auto newest = boost::dynamic_pointer_cast<FXErrorItemHttpDescription>(items[0]);
  ASSERT_TRUE(newest);
  EXPECT_EQ(500, newest->GetCode());
  EXPECT_EQ("retry 3", newest->GetDescription());
  auto second = boost::dynamic_pointer_cast<FXErrorItemHttpDescription>(items[1]);
  ASSERT_TRUE(second);
  EXPECT_EQ("url=/x", second->GetDescription());
  EXPECT_TRUE(boost::dynamic_pointer_cast<FXErrorItemWin32>(items[2]));
  EXPECT_TRUE(boost::dynamic_pointer_cast<FXErrorItemErrNo>(items[3]));
}
