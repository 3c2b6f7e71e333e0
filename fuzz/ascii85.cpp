// Ascii85: decode(encode(x)) == x; decoding arbitrary text writes only into a buffer of
// exactly the announced size, and both Decode forms agree.
#include "yqbase/strings/Ascii85.h"

#include <cstring>
#include <memory>

#include "fuzz/FuzzUtil.h"
#include "yqbase/errors/ErrorUtil.h"

namespace {

// Decodes into a heap buffer of exactly `capacity` bytes.
CYqError DecodeInto(const std::string& text, size_t capacity, std::string& out) {
  std::unique_ptr<char[]> buffer(new char[capacity]);
  size_t length = capacity;
  const CYqError err = CAscii85::Decode(text, capacity == 0 ? nullptr : buffer.get(), length);
  if (err.Succeeded()) {
    FUZZ_CHECK(length <= capacity);
    out.assign(buffer.get(), length);
  } else if (FXErrorUtil::IsWin32(err, 111)) {
    FUZZ_CHECK(length > capacity);
    out.resize(length);  // the size needed
  } else {
    FUZZ_CHECK(FXErrorUtil::IsWin32(err, 13));
  }
  return err;
}

// Decodes with every form and returns the decoded bytes; false for invalid text.
bool Decode(const std::string& text, std::string& decoded) {
  std::string sized;
  CYqError err = DecodeInto(text, 0, sized);
  if (FXErrorUtil::IsWin32(err, 13)) {
    auto_ptr_array<char> buffer;
    size_t length = 0;
    FUZZ_CHECK(CAscii85::Decode(text, buffer, length).Failed());
    return false;
  }
  err = DecodeInto(text, sized.size(), decoded);
  FUZZ_CHECK(err.Succeeded() && decoded.size() == sized.size());
  if (!decoded.empty()) {
    FUZZ_CHECK(FXErrorUtil::IsWin32(DecodeInto(text, decoded.size() - 1, sized), 111));
    FUZZ_CHECK(sized.size() == decoded.size());
  }
  auto_ptr_array<char> buffer;
  size_t length = 0;
  FUZZ_CHECK(CAscii85::Decode(text, buffer, length).Succeeded());
  FUZZ_CHECK(std::string(buffer.get(), length) == decoded);
  return true;
}

void CheckEncodeDecode(const std::string& bytes) {
  std::string text;
  FUZZ_CHECK(CAscii85::Encode(bytes.data(), bytes.size(), text).Succeeded());
  std::string decoded;
  FUZZ_CHECK(Decode(text, decoded) && decoded == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckEncodeDecode(bytes);
  std::string decoded;
  if (Decode(bytes, decoded)) CheckEncodeDecode(decoded);
  return 0;
}
