// Token streams and CBag text: loading arbitrary data gives only CYqError results; what loads
// writes back to a stream that loads to the same tokens, and a loaded bag re-serializes to
// text that loads to an equal bag. A failed bag load keeps the bag as it was.
#include "yqbase/serialization/Bag.h"

#include <cstring>
#include <functional>

#include "fuzz/FuzzUtil.h"
#include "yqbase/serialization/SerializedBase.h"
#include "yqbase/strings/Ascii85.h"

namespace {

// Accepts every token, noting its id, type and value bytes and how to write it again.
class CAcceptingLoader : public CSerializedBase {
 public:
  std::vector<std::string> tokens;
  std::vector<std::function<CYqError(CSerializedBuffer*)>> writers;

  using CSerializedBase::LoadToken;
  CYqError LoadToken(DWORD id, const BYTE* data, size_t length) override {
    // Raw bytes are written back as characters, the same bytes.
    return LoadToken(id, reinterpret_cast<const char*>(data), length);
  }
  CYqError LoadToken(DWORD id, const char* data, size_t length) override {
    const std::string value(data, length);
    return Keep(id, "chars", value,
                [=](CSerializedBuffer* b) { return AddToken(b, id, value.data(), value.size()); });
  }
  CYqError LoadToken(DWORD id, const std::string& v) override { return Add(id, "string", v); }
  CYqError LoadToken(DWORD id, const std::wstring& v) override {
    return Keep(id, "wstring",
                std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(wchar_t)),
                [=](CSerializedBuffer* b) { return AddToken(b, id, v); });
  }
  CYqError LoadToken(DWORD id, int v) override { return Add(id, "int", v); }
  CYqError LoadToken(DWORD id, UINT v) override { return Add(id, "uint", v); }
  CYqError LoadToken(DWORD id, LONGLONG v) override { return Add(id, "ll", v); }
  CYqError LoadToken(DWORD id, ULONGLONG v) override { return Add(id, "ull", v); }
  CYqError LoadToken(DWORD id, bool v) override { return Add(id, "bool", v); }
  CYqError LoadToken(DWORD id, const FILETIME& v) override { return Add(id, "filetime", v); }
  CYqError LoadToken(DWORD id, const UUID& v) override { return Add(id, "uuid", v); }
  CYqError LoadToken(DWORD id, const LUID& v) override { return Add(id, "luid", v); }

 private:
  template <typename T>
  CYqError Add(DWORD id, const char* type, const T& v) {
    std::string bytes;
    if constexpr (std::is_same_v<T, std::string>)
      bytes = v;
    else
      bytes.assign(reinterpret_cast<const char*>(&v), sizeof v);
    return Keep(id, type, bytes, [=](CSerializedBuffer* b) { return AddToken(b, id, v); });
  }
  CYqError Keep(DWORD id, const char* type, const std::string& bytes,
                std::function<CYqError(CSerializedBuffer*)> writer) {
    tokens.push_back(std::to_string(id) + ":" + type + ":" + bytes);
    writers.push_back(std::move(writer));
    return CYqError();
  }
};

void CheckTokenStream(const std::string& data) {
  CAcceptingLoader first;
  if (first.Load(data.data(), data.size()).Failed()) return;
  CSerializedBuffer buffer;
  for (const auto& write : first.writers) FUZZ_CHECK(write(&buffer).Succeeded());
  CAcceptingLoader second;
  FUZZ_CHECK(second.Load(buffer.GetBuffer(), buffer.GetBufferSize()).Succeeded());
  FUZZ_CHECK(second.tokens == first.tokens);
}

std::string Serialized(const CBag& bag) {
  std::string text;
  FUZZ_CHECK(bag.GetSerializedData(text).Succeeded());
  return text;
}

void CheckBag(const std::string& text) {
  CBag bag;
  FUZZ_CHECK(bag.Write("Before", 7).Succeeded());
  const std::string before = Serialized(bag);
  if (bag.LoadSerializedData(text).Failed()) {
    FUZZ_CHECK(Serialized(bag) == before);
    return;
  }
  const std::string once = Serialized(bag);
  CBag again;
  FUZZ_CHECK(again.LoadSerializedData(once).Succeeded());
  FUZZ_CHECK(Serialized(again) == once);
  FUZZ_CHECK(again.allKeys() == bag.allKeys());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckTokenStream(bytes);
  std::string text;
  FUZZ_CHECK(CAscii85::Encode(bytes.data(), bytes.size(), text).Succeeded());
  CheckBag(text);   // the input as a token stream
  CheckBag(bytes);  // the input as text
  CAcceptingLoader loader;
  (void)loader.Load(bytes);
  return 0;
}
