#include "yqbase/platform/LogonCredentials.h"

#include <gtest/gtest.h>

#include <utility>

TEST(CLogonCredentials, TextFormMasksThePassword) {
  EXPECT_EQ("CORP\\backup password: ********", CLogonCredentials("backup", "CORP", "s").AsString());
  EXPECT_EQ("guest password: (none)", CLogonCredentials("guest", "", "").AsString());
}

// Copies are independent; a moved-from or cleared object keeps no password.
TEST(CLogonCredentials, CopyMoveAndClear) {
  const std::string longPassword = "a-long-password-that-needs-the-heap-0123456789";
  CLogonCredentials a("u", "d", longPassword);
  CLogonCredentials b = a;
  b.SetPassword("short");
  EXPECT_EQ(longPassword, a.GetPassword());
  EXPECT_EQ("short", b.GetPassword());

  CLogonCredentials c = std::move(a);
  b = std::move(c);
  EXPECT_EQ(longPassword, b.GetPassword());
  EXPECT_TRUE(a.GetPassword().empty());  // NOLINT(bugprone-use-after-move)
  EXPECT_TRUE(c.GetPassword().empty());  // NOLINT(bugprone-use-after-move)

  b.Clear();
  EXPECT_TRUE(b.IsEmpty() && b.GetPassword().empty() && b.GetDomain().empty());
}
