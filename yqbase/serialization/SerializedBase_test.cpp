#include "yqbase/serialization/SerializedBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
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

std::string Bytes(const CSerializedBuffer& buffer) {
  return std::string(buffer.GetBuffer() != nullptr ? buffer.GetBuffer() : "",
                     buffer.GetBufferSize());
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

struct SWriteCase {
  const char* what;
  std::function<CYqError(CSerializedBuffer*)> write;
  std::string bytes;   // the exact tokens
  std::string loaded;  // the tokens the recording loader sees, joined by "|"
};

}  // namespace

// Every writer's exact bytes, and the reader's decoding of them back to the same value.
TEST(CSerializedBase, WritersProduceExactTokensThatLoadBack) {
  const std::wstring wide = L"a\u00e9\U0001F600";
  const SWriteCase cases[] = {
      {"string", [](auto* b) { return CSerializedBase::AddToken(b, 7, std::string("abc")); },
       "1.7.16.4.\0abc\0"s, "7:string:abc"},
      {"empty string", [](auto* b) { return CSerializedBase::AddToken(b, 1, std::string()); },
       "1.1.16.1.\0\0"s, "1:string:"},
      {"literal is a string", [](auto* b) { return CSerializedBase::AddToken(b, 2, "x"); },
       "1.2.16.2.\0x\0"s, "2:string:x"},
      {"chars", [](auto* b) { return CSerializedBase::AddToken(b, 3, "ab", 2); }, "1.3.1.2.\0ab"s,
       "3:chars:ab"},
      {"wstring", [&](auto* b) { return CSerializedBase::AddToken(b, 4, wide); },
       "1.4.17.16.\0a\0\0\0\xe9\0\0\0\0\xf6\x01\0\0\0\0\0"s,
       "4:wstring:a\xc3\xa9\xf0\x9f\x98\x80#3"},
      {"int", [](auto* b) { return CSerializedBase::AddToken(b, 5, INT_MIN); },
       "1.5.32.12.\0-2147483648\0"s, "5:int:-2147483648"},
      {"uint", [](auto* b) { return CSerializedBase::AddToken(b, 5, UINT(4294967295u)); },
       "1.5.33.11.\0"
       "4294967295\0"s,
       "5:uint:4294967295"},
      {"longlong", [](auto* b) { return CSerializedBase::AddToken(b, 6, LONGLONG(LLONG_MIN)); },
       "1.6.34.21.\0-9223372036854775808\0"s, "6:ll:-9223372036854775808"},
      {"ulonglong", [](auto* b) { return CSerializedBase::AddToken(b, 6, ULONGLONG(ULLONG_MAX)); },
       "1.6.35.21.\0"
       "18446744073709551615\0"s,
       "6:ull:18446744073709551615"},
      {"bool", [](auto* b) { return CSerializedBase::AddToken(b, 8, true); },
       "1.8.36.2.\0"
       "1\0"s,
       "8:bool:true"},
      {"filetime",
       [](auto* b) {
         return CSerializedBase::AddToken(b, 9, FILETIME{1, 2});
       },
       "1.9.37.11.\0"
       "8589934593\0"s,
       "9:filetime:2/1"},
      {"uuid", [](auto* b) { return CSerializedBase::AddToken(b, 10, kUuid); },
       "1.10.39.39.\0{00112233-4455-6677-8899-AABBCCDDEEFF}\0"s,
       "10:uuid:{00112233-4455-6677-8899-AABBCCDDEEFF}"},
      {"luid", [](auto* b) { return CSerializedBase::AddToken(b, 11, kLuid); },
       "1.11.40.19.\0(0xFFFFFFFF, 0x10)\0"s, "11:luid:(0xFFFFFFFF, 0x10)"},
      {"list",
       [](auto* b) {
         return CSerializedBase::AddToken(b, 12, std::list<std::string>{"b", "a", "c"});
       },
       "1.12.16.2.\0b\0"
       "1.12.16.2.\0a\0"
       "1.12.16.2.\0c\0"s,
       "12:string:b|12:string:a|12:string:c"},
  };
  for (const SWriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    CSerializedBuffer buffer;
    ASSERT_TRUE(c.write(&buffer).Succeeded());
    EXPECT_EQ(c.bytes, Bytes(buffer));
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

// A growth leaves exactly the slack free, so small tokens after it fit in place.
TEST(CSerializedBuffer, GrowsByNeedPlusSlack) {
  const size_t slack = CSerializedBuffer::m_stCbExtraAllocation;
  CSerializedBuffer buffer;
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, std::string(1000, 'x')).Succeeded());
  const size_t capacity = buffer.GetCapacity();
  EXPECT_EQ(buffer.GetBufferSize() + slack, capacity);
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 2, 7).Succeeded());
  EXPECT_EQ(capacity, buffer.GetCapacity());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 3, std::string(200, 'y')).Succeeded());
  EXPECT_EQ(buffer.GetBufferSize() + slack, buffer.GetCapacity());
}

// Streams from elsewhere: what is skipped, what stops the walk quietly, and what must fail
// without reading past the end or delivering a wrong value.
TEST(CSerializedBase, LoadHandlesMalformedStreams) {
  const std::string good = "1.7.16.2.\0g\0"s;
  struct SCase {
    const char* what;
    std::string bytes;
    DWORD win32;         // 0: success
    std::string loaded;  // tokens delivered, joined by "|"
    const char* logged;  // part of a failure line, or ""
  } cases[] = {
      {"empty", "", 0, "", ""},
      {"unassigned type 38 is skipped", "1.7.38.2.\0xx"s + good, 0, "7:string:g",
       "Unknown TokenType encountered, Type=[38], Id=[7], Length=[2]"},
      {"unknown id is skipped",
       "1.99.32.2.\0"
       "5\0"s +
           good,
       0, "7:string:g", "Unknown TokenId encountered, Type=[32], Id=[99], Length=[2]"},
      {"version 2 stops quietly", "2.7.16.2.\0g\0"s + good, 0, "",
       "Unknown version found in token identifier, version=[2], Token=[2.7.16.2.]"},
      {"four fields stop quietly", good + "1.7.16.\0g\0"s, 0, "7:string:g",
       "Unexpected split size, size=[4], Token=[1.7.16.]"},
      {"inner zero bytes kept", "1.7.16.4.\0a\0b\0"s, 0, "7:string:a\0b"s, ""},
      {"length past the end", good + "1.7.16.40.\0abc\0"s, 13, "7:string:g", ""},
      {"huge length", "1.7.16.18446744073709551615.\0a\0"s, 13, "", ""},
      {"length beyond 64 bits", "1.7.16.99999999999999999999999.\0a\0"s, 13, "", ""},
      {"identifier without zero byte", good + "1.7.16.2.", 13, "7:string:g", ""},
      {"id not a number", "1.x.16.2.\0g\0"s, 13, "", ""},
      {"id beyond 32 bits", "1.4294967296.16.2.\0g\0"s, 13, "", ""},
      {"string without terminator", "1.7.16.3.\0abc"s + good, 13, "",
       "Error while loading token, Type=[16], Id=[7], Length=[3]"},
      {"empty string value", "1.7.16.0.\0"s, 13, "", ""},
      {"wide of odd length", "1.7.17.5.\0a\0\0\0\0"s, 13, "", ""},
      {"wide without zero unit", "1.7.17.4.\0a\0\0\0"s, 13, "", ""},
      {"int with trailing text",
       "1.7.32.4.\0"
       "12a\0"s,
       13, "", ""},
      {"int overflow",
       "1.7.32.11.\0"
       "2147483648\0"s,
       13, "", ""},
      {"negative uint", "1.7.33.3.\0-1\0"s, 13, "", ""},
      {"ulonglong overflow",
       "1.7.35.21.\0"
       "18446744073709551616\0"s,
       13, "", ""},
      {"number without zero byte",
       "1.7.34.2.\0"
       "12"s,
       13, "", ""},
      {"empty bool", "1.7.36.1.\0\0"s, 13, "", ""},
      {"bool from any non-zero", "1.7.36.3.\0-7\0"s, 0, "7:bool:true", ""},
      {"short uuid", "1.7.39.38.\0{00112233-4455-6677-8899-AABBCCDDEEF}\0"s, 13, "", ""},
      {"luid without blank", "1.7.40.10.\0(0x1,0x2)\0"s, 13, "", ""},
      {"luid of nine digits", "1.7.40.20.\0(0x1, 0x123456789)\0"s, 13, "", ""},
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
    if (*c.logged != '\0') {
      bool found = false;
      for (const auto& line : log.Writer().Lines())
        found = found || (line.level == -1 && line.text.find(c.logged) != std::string::npos);
      EXPECT_TRUE(found) << c.logged;
    }
  }
}

// The base class knows no ids: it skips every token and succeeds; each failure names its type.
TEST(CSerializedBase, BaseSkipsEveryToken) {
  CSerializedBuffer buffer;
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, 5).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 2, std::wstring(L"w")).Succeeded());
  yqtest::CScopedCaptureLog log(30);
  CSerializedBase base;
  EXPECT_TRUE(base.Load(buffer.GetBuffer(), buffer.GetBufferSize()).Succeeded());
  EXPECT_TRUE(FXErrorUtil::IsWin32(base.LoadToken(1, 5), 1608));
  std::vector<std::string> texts;
  for (const auto& line : log.Writer().Lines()) texts.push_back(line.text);
  EXPECT_NE(texts.end(),
            std::find(texts.begin(), texts.end(), "CurrentPos=[0], Token=[1.1.32.2.]"));
  EXPECT_NE(texts.end(),
            std::find(texts.begin(), texts.end(), "CurrentPos=[12], Token=[1.2.17.8.]"));
}

// The Ascii85 form: runs of zero bytes ("z") decode to more bytes than the text has
// characters, and text that is not a whole stream fails.
TEST(CSerializedBase, TextFormLoadsBackAndRefusesCorruptText) {
  CSerializedBuffer buffer;
  EXPECT_EQ("", buffer.GetBufferAsString());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 1, std::wstring(4, L'\0')).Succeeded());
  ASSERT_TRUE(CSerializedBase::AddToken(&buffer, 2, 77).Succeeded());
  const std::string text = buffer.GetBufferAsString();
  EXPECT_NE(std::string::npos, text.find("zzz")) << text;
  EXPECT_LT(text.size(), buffer.GetBufferSize());
  CRecordingLoader loader;
  CYqError err = loader.Load(text);
  ASSERT_TRUE(err.Succeeded()) << err.AsString();
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
