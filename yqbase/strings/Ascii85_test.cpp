#include "yqbase/strings/Ascii85.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "yqbase/errors/ErrorItem_Win32.h"
#include "yqbase/errors/ErrorUtil.h"

namespace {

struct SEncoded {
  const char* hex;
  const char* text;
};
const SEncoded kPythonEncoded[] = {
#include "yqbase/strings/Ascii85_testdata.inc"
};

std::string FromHex(const char* hex) {
  std::string out;
  for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2)
    out.push_back(static_cast<char>(std::stoi(std::string(hex, 2), nullptr, 16)));
  return out;
}

// The description of the first cause.
std::string CauseText(const CYqError& error) {
  const std::vector<FXErrorItemPtr> items = error.GetItems();
  if (items.empty()) return "<no item>";
  auto item = boost::dynamic_pointer_cast<FXErrorItemWin32Description>(items.back());
  return item ? item->GetDescription() : "<not a Win32 description>";
}

std::string Encode(const std::string& data) {
  std::string text;
  EXPECT_TRUE(CAscii85::Encode(data.data(), data.size(), text).Succeeded());
  return text;
}

}  // namespace

// Compares with Python's encoder, and decodes its text back with both forms.
TEST(CAscii85, MatchesPythonAndDecodesBack) {
  for (const SEncoded& row : kPythonEncoded) {
    SCOPED_TRACE(row.hex);
    const std::string data = FromHex(row.hex);
    EXPECT_EQ(row.text, Encode(data));
    auto_ptr_array<char> owned;
    size_t length = 12345;
    ASSERT_TRUE(CAscii85::Decode(row.text, owned, length).Succeeded());
    EXPECT_EQ(data, std::string(owned.get(), length));
    std::vector<char> exact(data.size() + 1);
    length = data.size();
    ASSERT_TRUE(CAscii85::Decode(row.text, exact.data(), length).Succeeded());
    EXPECT_EQ(data, std::string(exact.data(), length));
  }
}

TEST(CAscii85, RoundTripsRandomBuffers) {
  std::mt19937 rng(85);
  for (size_t size : {0, 1, 2, 3, 4, 5, 63, 64, 65, 1000, 4099, 100003}) {
    SCOPED_TRACE(size);
    std::string data(size, '\0');
    for (char& c : data) c = static_cast<char>(rng() % 3 == 0 ? 0 : rng());  // some "z" groups
    auto_ptr_array<char> owned;
    size_t length = 0;
    ASSERT_TRUE(CAscii85::Decode(Encode(data), owned, length).Succeeded());
    EXPECT_EQ(data, std::string(owned.get(), length));
  }
}

TEST(CAscii85, DecodesOrFailsAsDescribed) {
  using namespace std::string_literals;
  struct Case {
    std::string text;
    const char* data;  // hex, or null for a failure
    const char* message;
  };
  const Case cases[] = {
      {"<~~>", "", nullptr},
      {"<~z~>", "00000000", nullptr},
      {"<~!!~>", "00", nullptr},
      {"<~ 8 7\tc\nU\r\fR\b~>trailing", "48656c6c", nullptr},  // blanks ignored
      {"<~s8W-!~>", "ffffffff", nullptr},
      {"<~zz!!~>", "000000000000000000", nullptr},
      {"", nullptr, "Invalid beginning marker"},
      {"<", nullptr, "Invalid beginning marker"},
      {" <~z~>", nullptr, "Invalid beginning marker"},
      {"87cUR~>", nullptr, "Invalid beginning marker"},
      {"<~87cUR", nullptr, "No end marker found"},
      {"<~", nullptr, "No end marker found"},
      {"<~87cUR~", nullptr, "Incomplete end marker found (~ without >)"},
      {"<~87~cUR~>", nullptr, "Incomplete end marker found (~ without >)"},
      {"<~!!z~>", nullptr, "'z' inside a group"},
      {"<~87cUv~>", nullptr, "Invalid ASCII85 character"},
      {"<~87\0cU~>"s, nullptr, "Invalid ASCII85 character"},
      {"<~87cU\x85~>", nullptr, "Invalid ASCII85 character"},
      {"<~s8W-\"~>", nullptr, "Group value exceeds 32 bits"},  // 2^32 would wrap to 0
      {"<~uuuuu~>", nullptr, "Group value exceeds 32 bits"},
      {"<~uuu~>", nullptr, "Group value exceeds 32 bits"},  // padded last group
      {"<~87cUR8~>", nullptr, "Single digit in the last group"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string& text = c.text;
    auto_ptr_array<char> owned;
    size_t length = 99;
    const CYqError err = CAscii85::Decode(text, owned, length);
    if (c.data != nullptr) {
      ASSERT_TRUE(err.Succeeded()) << err.AsString();
      EXPECT_EQ(FromHex(c.data), std::string(owned.get(), length));
      continue;
    }
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 13)) << err.AsString();
    EXPECT_EQ(c.message, CauseText(err));
    EXPECT_EQ(0u, length);
    EXPECT_FALSE(owned);
    EXPECT_NE(std::string::npos, err.AsString().find("AllocatedBufferSize=")) << err.AsString();
    char buffer[16];
    length = sizeof buffer;
    const CYqError direct = CAscii85::Decode(text, buffer, length);
    EXPECT_TRUE(FXErrorUtil::IsWin32(direct, 13));
    EXPECT_EQ(c.message, CauseText(direct));
  }
}

// A too-small buffer must not be written past its end, and the needed size comes back.
TEST(CAscii85, SmallBufferReportsNeededSize) {
  const std::string text = "<~zz87cUR~>";  // 12 bytes
  for (size_t capacity : {0, 1, 4, 11}) {
    SCOPED_TRACE(capacity);
    std::vector<char> buffer(16, 'x');
    size_t length = capacity;
    const CYqError err =
        CAscii85::Decode(text, capacity == 0 ? nullptr : buffer.data() + 2, length);
    EXPECT_TRUE(FXErrorUtil::IsWin32(err, 111)) << err.AsString();
    EXPECT_EQ(12u, length);
    EXPECT_EQ(std::string(16 - 2 - capacity, 'x'),
              std::string(buffer.data() + 2 + capacity, 14 - capacity));
  }
  char one;
  size_t length = 1;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CAscii85::Decode("<~z~>", nullptr, length), 87));
  std::string encoded;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CAscii85::Encode(nullptr, 3, encoded), 87));
  EXPECT_TRUE(CAscii85::Encode(nullptr, 0, encoded).Succeeded());
  EXPECT_EQ("<~~>", encoded);
  length = 1;
  EXPECT_TRUE(CAscii85::Decode("<~!!~>", &one, length).Succeeded());
  EXPECT_EQ(0, one);
}
