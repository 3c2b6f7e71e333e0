#include "yqbase/serialization/SerializedBase.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/filters/FilterSet.h"
#include "yqbase/logging/LogWriter_testutil.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

using std::string_literals::operator""s;

// Records every token as "id:type-name:value" (a wide value with its length); id 99 is
// unknown to it.
class CRecordingLoader : public CSerializedBase {
 public:
  std::vector<std::string> tokens;

  using CSerializedBase::LoadToken;
  CYqError LoadToken(DWORD id, const BYTE* data, size_t length) override {
    return Keep(id, "bytes", std::string(reinterpret_cast<const char*>(data), length));
  }
  CYqError LoadToken(DWORD id, const char* data, size_t length) override {
    return Keep(id, "chars", std::string(data, length));
  }
  CYqError LoadToken(DWORD id, const std::string& v) override { return Keep(id, "string", v); }
  CYqError LoadToken(DWORD id, const std::wstring& v) override {
    return Keep(id, "wstring", FXString::ToString(v) + "#" + std::to_string(v.size()));
  }
  CYqError LoadToken(DWORD id, int v) override { return Keep(id, "int", std::to_string(v)); }
  CYqError LoadToken(DWORD id, UINT v) override { return Keep(id, "uint", std::to_string(v)); }
  CYqError LoadToken(DWORD id, LONGLONG v) override { return Keep(id, "ll", std::to_string(v)); }
  CYqError LoadToken(DWORD id, ULONGLONG v) override { return Keep(id, "ull", std::to_string(v)); }
  CYqError LoadToken(DWORD id, bool v) override { return Keep(id, "bool", v ? "true" : "false"); }
  CYqError LoadToken(DWORD id, const FILETIME& v) override {
    return Keep(id, "filetime", FXString::Format("%u/%u", v.dwHighDateTime, v.dwLowDateTime));
  }
  CYqError LoadToken(DWORD id, const UUID& v) override {
    return Keep(id, "uuid", FXString::AsString(v));
  }
  CYqError LoadToken(DWORD id, const LUID& v) override {
    return Keep(id, "luid", FXString::AsString(v));
  }

 private:
  CYqError Keep(DWORD id, const char* type, const std::string& value) {
    if (id == 99) return FXErrorUtil::ErrorWin32(YQ_LOC, 1608);
    tokens.push_back(std::to_string(id) + ":" + type + ":" + value);
    return CYqError();
  }
};

// Whether a line containing `part` was logged.
bool Logged(yqtest::CRecordingWriter& writer, const std::string& part) {
  for (const auto& line : writer.Lines())
    if (line.text.find(part) != std::string::npos) return true;
  return false;
}

// One token from its identifier text and value bytes.
std::string Tok(const char* identifier, const std::string& value) {
  return identifier + "\0"s + value;
}

// Loads `bytes` from a heap copy of exactly their size, so that reading one byte too far is
// an AddressSanitizer report rather than a read of a std::string's terminator.
CYqError LoadExact(CSerializedBase& loader, const std::string& bytes) {
  std::unique_ptr<char[]> copy(new char[bytes.size() + 1]);
  bytes.copy(copy.get(), bytes.size());
  return loader.Load(bytes.empty() ? nullptr : copy.get(), bytes.size());
}

const UUID kUuid = {0x00112233, 0x4455, 0x6677, {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}};
const LUID kLuid = {0x10, -1};

typedef std::function<CYqError(CSerializedBuffer*)> FWrite;

// A writer of one value.
template <typename T>
FWrite W(DWORD id, T value) {
  return [=](CSerializedBuffer* buffer) { return CSerializedBase::AddToken(buffer, id, value); };
}

}  // namespace

// Every writer's exact bytes, and the reader's decoding of them back to the same value.
TEST(CSerializedBase, WritersProduceExactTokensThatLoadBack) {
  const struct {
    FWrite write;
    std::string bytes;   // the exact tokens
    std::string loaded;  // the tokens the recording loader sees, joined by "|"
  } cases[] = {
      {W(7, std::string("abc")), Tok("1.7.16.4.", "abc\0"s), "7:string:abc"},
      {W(1, std::string()), Tok("1.1.16.1.", "\0"s), "1:string:"},
      {W(2, "x"), Tok("1.2.16.2.", "x\0"s), "2:string:x"},
      {[](CSerializedBuffer* b) { return CSerializedBase::AddToken(b, 3, "ab", 2); },
       Tok("1.3.1.2.", "ab"), "3:chars:ab"},
      {W(4, std::wstring(L"a\u00e9\U0001F600")),
       Tok("1.4.17.16.", "a\0\0\0\xe9\0\0\0\0\xf6\x01\0\0\0\0\0"s),
       "4:wstring:a\xc3\xa9\xf0\x9f\x98\x80#3"},
      {W(5, INT_MIN), Tok("1.5.32.12.", "-2147483648\0"s), "5:int:-2147483648"},
      {W(5, UINT(4294967295u)), Tok("1.5.33.11.", "4294967295\0"s), "5:uint:4294967295"},
      {W(6, LONGLONG(LLONG_MIN)), Tok("1.6.34.21.", "-9223372036854775808\0"s),
       "6:ll:-9223372036854775808"},
      {W(6, ULONGLONG(ULLONG_MAX)), Tok("1.6.35.21.", "18446744073709551615\0"s),
       "6:ull:18446744073709551615"},
      {W(8, true), Tok("1.8.36.2.", "1\0"s), "8:bool:true"},
      {W(9, FILETIME{1, 2}), Tok("1.9.37.11.", "8589934593\0"s), "9:filetime:2/1"},
      {W(10, kUuid), Tok("1.10.39.39.", "{00112233-4455-6677-8899-AABBCCDDEEFF}\0"s),
       "10:uuid:{00112233-4455-6677-8899-AABBCCDDEEFF}"},
      {W(11, kLuid), Tok("1.11.40.19.", "(0xFFFFFFFF, 0x10)\0"s), "11:luid:(0xFFFFFFFF, 0x10)"},
      {W(12, std::list<std::string>{"b", "a", "c"}),
       Tok("1.12.16.2.", "b\0"s) + Tok("1.12.16.2.", "a\0"s) + Tok("1.12.16.2.", "c\0"s),
       "12:string:b|12:string:a|12:string:c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.loaded);
    CSerializedBuffer buffer;
    ASSERT_TRUE(c.write(&buffer).Succeeded());
    EXPECT_EQ(c.bytes, std::string(buffer.GetBuffer(), buffer.GetBufferSize()));
    CRecordingLoader loader;
    CYqError err = loader.Load(buffer.GetBuffer(), buffer.GetBufferSize());
    EXPECT_TRUE(err.Succeeded()) << err.AsString();
    std::string loaded;
    FXString::Join(loader.tokens, "|", loaded);
    EXPECT_EQ(c.loaded, loaded);
  }
}

TEST(CSerializedBase, WritersRefuseWhatTheyCannotWrite) {
  CSerializedBuffer buffer;
  EXPECT_TRUE(FXErrorUtil::IsWin32(CSerializedBase::AddToken(&buffer, 1, PSID(nullptr)), 50));
  EXPECT_TRUE(FXErrorUtil::IsWin32(CSerializedBase::AddToken(nullptr, 1, 5), 87));
  EXPECT_TRUE(FXErrorUtil::IsWin32(buffer.AddToken(1, 1, nullptr, 3), 87));
  EXPECT_EQ(0u, buffer.GetBufferSize());
}

// Growth at least doubles the capacity, so that long streams are not copied over and over.
TEST(CSerializedBuffer, GrowthAtLeastDoublesAndKeepsTheTokens) {
  CSerializedBuffer buffer;
  size_t capacity = 0;
  for (int id = 100; id < 300; ++id) {
    ASSERT_TRUE(CSerializedBase::AddToken(&buffer, id, std::string(id * 7, 'x')).Succeeded());
    ASSERT_GE(buffer.GetCapacity(), buffer.GetBufferSize());
    EXPECT_TRUE(buffer.GetCapacity() == capacity || buffer.GetCapacity() >= 2 * capacity) << id;
    capacity = buffer.GetCapacity();
  }
  CRecordingLoader loader;
  ASSERT_TRUE(loader.Load(buffer.GetBuffer(), buffer.GetBufferSize()).Succeeded());
  ASSERT_EQ(200u, loader.tokens.size());
  EXPECT_EQ("299:string:" + std::string(299 * 7, 'x'), loader.tokens.back());
}

// Streams from elsewhere: what is skipped, what stops the walk quietly, and what must fail
// without reading past the end or delivering a wrong value.
TEST(CSerializedBase, LoadHandlesMalformedStreams) {
  const std::string good = Tok("1.7.16.2.", "g\0"s);
  struct SCase {
    const char* what;
    std::string bytes;
    DWORD win32;         // 0: success
    std::string loaded;  // tokens delivered, joined by "|"
    const char* logged;  // part of a failure line, or ""
  } cases[] = {
      {"empty", "", 0, "", ""},
      {"unassigned type 38 is skipped", Tok("1.7.38.2.", "xx") + good, 0, "7:string:g",
       "Unknown TokenType encountered, Type=[38], Id=[7], Length=[2]"},
      {"unknown id is skipped", Tok("1.99.32.2.", "5\0"s) + good, 0, "7:string:g",
       "Unknown TokenId encountered, Type=[32], Id=[99], Length=[2]"},
      {"version 2 stops quietly", Tok("2.7.16.2.", "g\0"s) + good, 0, "",
       "Unknown version found in token identifier, version=[2], Token=[2.7.16.2.]"},
      {"four fields stop quietly", good + Tok("1.7.16.", "g\0"s), 0, "7:string:g",
       "Unexpected split size, size=[4], Token=[1.7.16.]"},
      {"inner zero bytes kept", Tok("1.7.16.4.", "a\0b\0"s), 0, "7:string:a\0b"s, ""},
      {"length past the end", good + Tok("1.7.16.40.", "abc\0"s), 13, "7:string:g", ""},
      {"huge length", Tok("1.7.16.18446744073709551615.", "a\0"s), 13, "", ""},
      {"length beyond 64 bits", Tok("1.7.16.99999999999999999999999.", "a\0"s), 13, "", ""},
      {"identifier without zero byte", good + "1.7.16.2.", 13, "7:string:g", ""},
      {"id not a number", Tok("1.x.16.2.", "g\0"s), 13, "", ""},
      {"id beyond 32 bits", Tok("1.4294967296.16.2.", "g\0"s), 13, "", ""},
      {"string without terminator", Tok("1.7.16.3.", "abc") + good, 13, "",
       "Error while loading token, Type=[16], Id=[7], Length=[3]"},
      {"empty string value", Tok("1.7.16.0.", ""), 13, "", ""},
      {"wide of odd length", Tok("1.7.17.5.", "a\0\0\0\0"s), 13, "", ""},
      {"wide without zero unit", Tok("1.7.17.4.", "a\0\0\0"s), 13, "", ""},
      {"int with trailing text", Tok("1.7.32.4.", "12a\0"s), 13, "", ""},
      {"int overflow", Tok("1.7.32.11.", "2147483648\0"s), 13, "", ""},
      {"negative uint", Tok("1.7.33.3.", "-1\0"s), 13, "", ""},
      {"number without zero byte", Tok("1.7.34.2.", "12"), 13, "", ""},
      {"bool from any non-zero", Tok("1.7.36.3.", "-7\0"s), 0, "7:bool:true", ""},
      {"short uuid", Tok("1.7.39.38.", "{00112233-4455-6677-8899-AABBCCDDEEF}\0"s), 13, "", ""},
      {"luid without blank", Tok("1.7.40.10.", "(0x1,0x2)\0"s), 13, "", ""},
  };
  for (const SCase& c : cases) {
    SCOPED_TRACE(c.what);
    yqtest::CScopedCaptureLog log(0);
    CRecordingLoader loader;
    CYqError err = LoadExact(loader, c.bytes);
    if (c.win32 == 0)
      EXPECT_TRUE(err.Succeeded()) << err.AsString();
    else
      EXPECT_TRUE(FXErrorUtil::IsWin32(err, c.win32)) << err.AsString();
    std::string loaded;
    FXString::Join(loader.tokens, "|", loaded);
    EXPECT_EQ(c.loaded, loaded);
    EXPECT_TRUE(*c.logged == '\0' || Logged(log.Writer(), c.logged)) << c.logged;
  }
}

// The Ascii85 form: runs of zero bytes ("z") decode to more bytes than the text has
// characters, and text that is not a whole stream fails. Above debug level 29 each token is
// traced; the base class skips every token.
TEST(CSerializedBase, TextFormLoadsBackAndRefusesCorruptText) {
  CSerializedBuffer buffer;
  EXPECT_EQ("", buffer.GetBufferAsString());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, std::wstring(4, L'\0')).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 2, 77).Succeeded());
  const std::string text = buffer.GetBufferAsString();
  EXPECT_NE(std::string::npos, text.find("zzz")) << text;
  EXPECT_LT(text.size(), buffer.GetBufferSize());
  yqtest::CScopedCaptureLog log(30);
  CRecordingLoader loader;
  CYqError err = loader.Load(text);
  ASSERT_TRUE(err.Succeeded()) << err.AsString();
  EXPECT_TRUE(Logged(log.Writer(), "CurrentPos=[31], Token=[1.2.32.3.]"));
  EXPECT_TRUE(CSerializedBase().Load(text).Succeeded());
  EXPECT_EQ((std::vector<std::string>{"1:wstring:#4", "2:int:77"}), loader.tokens);
  EXPECT_TRUE(loader.Load(std::string()).Succeeded());

  const std::string cut = text.substr(0, text.size() - 6) + "~>";  // ends inside a token
  for (const std::string& bad :
       {std::string("1.1.32.2."), text.substr(0, text.size() - 2), "<~" + text.substr(3), cut}) {
    SCOPED_TRACE(bad);
    CRecordingLoader l;
    EXPECT_TRUE(FXErrorUtil::IsWin32(l.Load(bad), 13));
  }
}

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
