// Extent names: name -> number -> name gives the name back (digits upper-cased), number ->
// name -> number gives the number back, and the digit writers stay inside buffers of exactly
// the size they are given.
#include <cctype>
#include <cstring>
#include <memory>

#include "fuzz/FuzzUtil.h"
#include "yqbase/utilities/ExtentNameConverter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const unsigned long long first = input.ConsumeIntegral<unsigned long long>();
  const unsigned long long second = input.ConsumeIntegral<unsigned long long>();
  const unsigned long long number =
      input.ConsumeIntegral<unsigned long long>() >> input.ConsumeIntegralInRange(0, 63);
  const int base = input.ConsumeIntegralInRange(0, 64);
  const unsigned capacity = input.ConsumeIntegralInRange(0u, 20u);
  const std::string folder = yqfuzz::UpToNul(input.ConsumeRandomLengthString(32));
  const std::string name = input.ConsumeRemainingBytesAsString();

  const ExtentNameConverter converter(first, second, folder);
  const int digits = converter.GetDigitCount();
  FUZZ_CHECK(digits >= 1 && digits <= ExtentNameConverter::kMaxDigits);

  std::string path;
  PD_U64 back = 0;
  if (converter.GetFilePath(number, path).Succeeded()) {
    const bool read = folder.empty() ? converter.GetExtentNumberFromFileName(path, back)
                                     : converter.GetExtentNumber(path, back);
    FUZZ_CHECK(read && back == number);
    std::string container;
    if (!folder.empty())
      FUZZ_CHECK(ExtentNameConverter::GetFileNameAndExtentNumber(path, container, back) &&
                 back == number);
  }

  if (converter.GetExtentNumberFromFileName(name, back)) {
    FUZZ_CHECK(converter.GetFilePath(back, path).Succeeded());
    const std::string leaf = folder.empty() ? path : path.substr(path.rfind('/') + 1);
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    FUZZ_CHECK(leaf == upper);
  } else {
    FUZZ_CHECK(back == 0);
  }
  (void)ExtentNameConverter::Extent_base32_to_dec(name);

  std::unique_ptr<char[]> buffer(new char[capacity + 1]);
  if (ExtentNameConverter::Extent_dec_to_base32_v2(number, buffer.get(), capacity)) {
    FUZZ_CHECK(std::strlen(buffer.get()) == capacity);
    FUZZ_CHECK(ExtentNameConverter::Extent_base32_to_dec(buffer.get()) == number);
  }
  std::unique_ptr<char[]> digitsOut(new char[capacity]);
  unsigned length = capacity;
  if (converter.NumToBaseN(number, digitsOut.get(), length, base)) FUZZ_CHECK(length < capacity);
  return 0;
}
