#include "yqbase/serialization/Bag.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/serialization/SerializedBase.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

const GUID kGuid = {0x00112233, 0x4455, 0x6677, {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};

// A value as "type:text" for the types a bag stores and serializes.
std::string Describe(const boost::any& v) {
  if (auto p = boost::any_cast<std::string>(&v)) return "string:" + *p;
  if (auto p = boost::any_cast<std::wstring>(&v)) return "wstring:" + FXString::ToString(*p);
  if (auto p = boost::any_cast<bool>(&v)) return std::string("bool:") + (*p ? "1" : "0");
  if (auto p = boost::any_cast<int>(&v)) return "int:" + std::to_string(*p);
  if (auto p = boost::any_cast<unsigned>(&v)) return "unsigned:" + std::to_string(*p);
  if (auto p = boost::any_cast<long long>(&v)) return "ll:" + std::to_string(*p);
  if (auto p = boost::any_cast<unsigned long long>(&v)) return "ull:" + std::to_string(*p);
  if (auto p = boost::any_cast<FILETIME>(&v))
    return FXString::Format("filetime:%u/%u", p->dwHighDateTime, p->dwLowDateTime);
  if (auto p = boost::any_cast<GUID>(&v)) return "guid:" + FXString::AsString(*p);
  return std::string("other:") + v.type().name();
}

std::string Text(const std::string& v) { return v; }
std::string Text(const std::wstring& v) { return FXString::ToString(v); }
std::string Text(bool v) { return v ? "true" : "false"; }
template <typename T>
std::string Text(T v) {
  return std::to_string(v);
}

template <typename T>
std::string ReadInto(const CBag& bag, CYqError& err) {
  T value{};
  err = bag.Read("value", value);
  return Text(value);
}

// The value of a property that must be there.
template <typename T>
T Get(const CBag& bag, const char* name) {
  T value{};
  EXPECT_TRUE(bag.Read(name, value).Succeeded()) << name;
  return value;
}

typedef std::string (*FRead)(const CBag&, CYqError&);

class CFixedProvider : public CBagProvider {
 public:
  CYqError GetProperty(const std::string& name, boost::any& value) override {
    value = static_cast<int>(name.size());
    return CYqError();
  }
};

bool Logged(yqtest::CRecordingWriter& writer, const std::string& text) {
  for (const auto& line : writer.Lines())
    if (line.text == text) return true;
  return false;
}

}  // namespace

// Every storable type survives bag -> text -> bag; long and unsigned long come back as the
// 32-bit types when they fit and as the 64-bit types when they do not.
TEST(CBag, TextRoundTripKeepsEveryType) {
  const struct {
    const char* name;
    boost::any value;
    std::string loaded;
  } cases[] = {
      {"String", std::string("C:\\data \xc3\xa9"), "string:C:\\data \xc3\xa9"},
      {"EmptyString", std::string(), "string:"},
      {"Wide", std::wstring(L"w\u00e9\U0001F600"), "wstring:w\xc3\xa9\xf0\x9f\x98\x80"},
      {"True", true, "bool:1"},
      {"False", false, "bool:0"},
      {"Int", INT_MIN, "int:-2147483648"},
      {"Unsigned", UINT_MAX, "unsigned:4294967295"},
      {"Long", -5L, "int:-5"},
      {"UnsignedLong", 7UL, "unsigned:7"},
      {"LongLong", LLONG_MIN, "ll:-9223372036854775808"},
      {"UnsignedLongLong", ULLONG_MAX, "ull:18446744073709551615"},
      {"FileTime", FILETIME{0xFFFFFFFF, 0x01D00000}, "filetime:30408704/4294967295"},
      {"Guid", kGuid, "guid:{00112233-4455-6677-8899-AABBCCDDEEFF}"},
      {"", std::string("empty name"), "string:empty name"},
      {"LongMin", LONG_MIN, (sizeof(long) == 8 ? "ll:" : "int:") + std::to_string(LONG_MIN)},
      {"ULongMax", ULONG_MAX,
       (sizeof(long) == 8 ? "ull:" : "unsigned:") + std::to_string(ULONG_MAX)},
  };
  CBag bag;
  for (const auto& c : cases) ASSERT_TRUE(bag.WriteAny(c.name, c.value).Succeeded());
  std::string text;
  CYqError err = bag.GetSerializedData(text);
  ASSERT_TRUE(err.Succeeded()) << err.AsString();
  CBag loaded;
  ASSERT_TRUE(loaded.Write("Stale", 1).Succeeded());
  err = loaded.LoadSerializedData(text);
  ASSERT_TRUE(err.Succeeded()) << err.AsString();
  EXPECT_EQ(bag.allKeys(), loaded.allKeys());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boost::any value;
    ASSERT_TRUE(loaded.ReadAny(c.name, value).Succeeded());
    EXPECT_EQ(c.loaded, Describe(value));
  }
}

TEST(CBag, ReadConvertsBetweenTypes) {
  constexpr DWORD kAny = ~0u;
  const struct {
    boost::any stored;
    FRead read;
    std::string expected;  // the output, or the error text
    DWORD win32;           // 0: success; kAny: any failure
  } cases[] = {
      {std::string("0x10"), ReadInto<int>, "16", 0},
      {std::string("010"), ReadInto<long long>, "8", 0},
      {std::wstring(L"-0x10"), ReadInto<long>, "-16", 0},
      {std::string("18446744073709551615"), ReadInto<unsigned long long>, "18446744073709551615",
       0},
      {std::string("12abc"), ReadInto<int>, "Bag value '12abc' is not a number", 13},
      {std::string(""), ReadInto<unsigned>, "Bag value '' is not a number", 13},
      {-1, ReadInto<unsigned>, "4294967295", 0},
      {true, ReadInto<int>, "1", 0},
      {4294967296LL, ReadInto<int>, "0", 0},
      {5, ReadInto<std::string>, "5", 0},
      {ULLONG_MAX, ReadInto<std::string>, "18446744073709551615", 0},
      {true, ReadInto<std::string>, "true", 0},
      {true, ReadInto<std::wstring>, "1", 0},
      {std::wstring(L"\u00e9"), ReadInto<std::string>, "\xc3\xa9", 0},
      {std::string("\xc3\xa9"), ReadInto<std::wstring>, "\xc3\xa9", 0},
      {std::string("TRUE"), ReadInto<bool>, "true", 0},
      {std::wstring(L"False"), ReadInto<bool>, "false", 0},
      {std::string("2"), ReadInto<bool>, "true", 0},
      {std::string("yes"), ReadInto<bool>, "Bag value 'yes' is not a number", 13},
      {1.5, ReadInto<int>, "Bag value of type 'd' different with expected type 'int'", 1804},
      {FILETIME{1, 2}, ReadInto<std::string>, "different with expected type 'string'", 1804},
      {kGuid, ReadInto<std::wstring>, "different with expected type 'wstring'", 1804},
      // Not UTF-8: fails, does not read as empty.
      {std::string("\xff"), ReadInto<std::wstring>, "", kAny},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - cases << ": " << Describe(c.stored));
    CBag bag;
    ASSERT_TRUE(bag.WriteAny("Value", c.stored).Succeeded());
    CYqError err;
    const std::string read = c.read(bag, err);
    if (c.win32 == 0) {
      EXPECT_TRUE(err.Succeeded()) << err.AsString();
      EXPECT_EQ(c.expected, read);
    } else {
      EXPECT_TRUE(c.win32 == kAny ? err.Failed() : FXErrorUtil::IsWin32(err, c.win32))
          << err.AsString();
      EXPECT_NE(std::string::npos, err.AsString().find(c.expected)) << err.AsString();
    }
  }
}

TEST(CBag, MissingPropertiesAndFlags) {
  CBag bag;
  ASSERT_TRUE(bag.Write("Path", "/data").Succeeded());
  EXPECT_EQ("/data", Get<std::string>(bag, "PATH"));
  ASSERT_TRUE(bag.Write("path", L"/other").Succeeded());  // replaces, keeps the first spelling
  EXPECT_EQ(std::list<std::string>{"Path"}, bag.allKeys());

  int value = 42;
  CYqError err = bag.Read("Missing", value);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 1168));
  EXPECT_NE(std::string::npos, err.AsString().find("PropertyName=[Missing]")) << err.AsString();
  EXPECT_TRUE(bag.Read("Missing", value, CBag::kFlagOptional).Succeeded());
  EXPECT_EQ(42, value);
  EXPECT_TRUE(bag.Read("Missing", value, CBag::kFlagOptional | CBag::kFlagClear).Succeeded());
  EXPECT_EQ(0, value);
  boost::any any = 5;
  EXPECT_TRUE(bag.ReadAny("Missing", any).Failed());
  EXPECT_TRUE(any.empty());
}

TEST(CBag, ProvidersComputeValuesAndDoNotSerialize) {
  CBag bag;
  ASSERT_TRUE(bag.WriteAny("Length", CBagProviderPtr(new CFixedProvider)).Succeeded());
  ASSERT_TRUE(bag.WriteAny("Base", CBagProviderPtr(new CBagProvider)).Succeeded());
  EXPECT_EQ("6", Get<std::string>(bag, "Length"));
  int base = 3;
  EXPECT_TRUE(FXErrorUtil::IsWin32(bag.Read("Base", base), 1168));

  std::string text;
  ASSERT_TRUE(bag.GetSerializedData(text).Succeeded());
  CBag loaded;
  ASSERT_TRUE(loaded.Write("Kept", 1).Succeeded());
  CYqError err = loaded.LoadSerializedData(text);
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 1630));
  EXPECT_NE(std::string::npos, err.AsString().find("PropertyName=Base, Type=")) << err.AsString();
  // A failed load leaves the bag as it was.
  EXPECT_EQ(std::list<std::string>{"Kept"}, loaded.allKeys());
}

TEST(CBag, AddCountsInItsOwnType) {
  CBag bag;
  ASSERT_TRUE(bag.Add("Files", 5LL).Succeeded());
  ASSERT_TRUE(bag.Add("Files", -7LL).Succeeded());
  EXPECT_EQ(-2, Get<long long>(bag, "Files"));
  ASSERT_TRUE(bag.Add("Bytes", ULLONG_MAX).Succeeded());
  ASSERT_TRUE(bag.Add("Bytes", 2ULL).Succeeded());  // wraps
  EXPECT_EQ(1u, Get<unsigned long long>(bag, "Bytes"));
  ASSERT_TRUE(bag.Write("Count", 3).Succeeded());
  EXPECT_TRUE(FXErrorUtil::IsWin32(bag.Add("Count", 1LL), 1804));
  EXPECT_TRUE(FXErrorUtil::IsWin32(bag.Add("Files", 1ULL), 1804));
  EXPECT_EQ(3, Get<int>(bag, "Count"));
}

// Streams another component may send: a name without its value, and a value without a name.
TEST(CBag, LoadPairsNamesWithValues) {
  CSerializedBuffer buffer;
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, std::string("First")).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, std::string("Second")).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 2, 9).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, std::string("Third")).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 2, LUID{1, 2}).Succeeded());  // skipped
  yqtest::CScopedCaptureLog log(0);
  CBag bag;
  CYqError err = bag.LoadSerializedData(buffer.GetBufferAsString());
  ASSERT_TRUE(err.Succeeded()) << err.AsString();
  EXPECT_EQ(std::list<std::string>{"Second"}, bag.allKeys());
  EXPECT_TRUE(Logged(log.Writer(), "Data was not received for property, PropertyName=First"));
  EXPECT_TRUE(Logged(log.Writer(), "Data was not received for property, PropertyName=Third"));

  CSerializedBuffer orphan;
  ASSERT_TRUE(CSerializedBase::AddToken(&orphan, 2, 9).Succeeded());
  err = bag.LoadSerializedData(orphan.GetBufferAsString());
  EXPECT_TRUE(FXErrorUtil::IsWin32(err, 1804));
  EXPECT_NE(std::string::npos, err.AsString().find("Property name was expected"));
  EXPECT_EQ(std::list<std::string>{"Second"}, bag.allKeys());
}
