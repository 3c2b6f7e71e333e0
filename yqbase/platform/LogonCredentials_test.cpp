#include "yqbase/platform/LogonCredentials.h"

#include <gtest/gtest.h>

#include <utility>

TEST(CLogonCredentials, TextFormMasksThePassword) {
  struct Row {
    const char* user;
    const char* domain;
    const char* password;
    const char* text;
  };
  const Row rows[] = {
      {"backup", "CORP", "s3cr3t", "CORP\\backup password: ********"},
      {"root", "", "hunter2-but-much-longer-than-any-inline-buffer", "root password: ********"},
      {"guest", "", "", "guest password: (none)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.user);
    const CLogonCredentials c(row.user, row.domain, row.password);
    EXPECT_EQ(row.text, c.AsString());
    EXPECT_EQ(row.password, c.GetPassword());
  }
}

// Copies are independent; a moved-from or cleared object keeps no password.
TEST(CLogonCredentials, CopyMoveAndClear) {
  CLogonCredentials a("u", "d", "a-long-password-that-needs-the-heap-0123456789");
  CLogonCredentials b = a;
  b.SetPassword("short");
  EXPECT_EQ("a-long-password-that-needs-the-heap-0123456789", a.GetPassword());
  EXPECT_EQ("short", b.GetPassword());

  CLogonCredentials c = std::move(a);
  EXPECT_EQ("a-long-password-that-needs-the-heap-0123456789", c.GetPassword());
  EXPECT_TRUE(a.GetPassword().empty());  // NOLINT(bugprone-use-after-move)

  b = std::move(c);
  EXPECT_EQ("a-long-password-that-needs-the-heap-0123456789", b.GetPassword());
  EXPECT_TRUE(c.GetPassword().empty());  // NOLINT(bugprone-use-after-move)

  b.Clear();
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_TRUE(b.GetPassword().empty());
  EXPECT_TRUE(b.GetDomain().empty());
}
