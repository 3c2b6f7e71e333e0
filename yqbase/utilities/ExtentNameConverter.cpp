#include "yqbase/utilities/ExtentNameConverter.h"

#include <cmath>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/files/YqPath.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/AsciiEBCDIC.h"

namespace {

constexpr int kDefaultDigits = 8;
constexpr unsigned long long kNameLimit = 1ULL << 40;  // the first number without a name
constexpr int kBitsPerDigit = 5;

// The value of a base-32 digit in either case, or -1.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'V') return c - 'A' + 10;
  if (c >= 'a' && c <= 'v') return c - 'a' + 10;
  return -1;
}

int DigitsFor(unsigned long long first, unsigned long long second) {
  if (second == 0) return kDefaultDigits;
  const double digits = std::ceil(
      std::log2(static_cast<double>(first) / static_cast<double>(second)) / kBitsPerDigit);
  if (!(digits >= 1)) return 1;  // also a quotient of 0, whose logarithm is -infinity
  return digits > ExtentNameConverter::kMaxDigits ? ExtentNameConverter::kMaxDigits
                                                  : static_cast<int>(digits);
}

}  // namespace

ExtentNameConverter::ExtentNameConverter()
    : m_first(0), m_second(0), m_digitCount(kDefaultDigits) {}

ExtentNameConverter::ExtentNameConverter(unsigned long long first, unsigned long long second)
    : m_first(first), m_second(second), m_digitCount(DigitsFor(first, second)) {}

ExtentNameConverter::ExtentNameConverter(unsigned long long first, unsigned long long second,
                                         const std::string& folder)
    : m_first(first), m_second(second), m_folder(folder), m_digitCount(DigitsFor(first, second)) {}

bool ExtentNameConverter::Extent_dec_to_base32_v2(unsigned long long value, char* buffer,
                                                  unsigned digits) {
  if (buffer == nullptr || value >= kNameLimit) return false;
  buffer[digits] = '\0';
  for (unsigned i = digits; i > 0; --i) {
    buffer[i - 1] = base32Table[value & 31];
    value >>= kBitsPerDigit;
  }
  return value == 0;
}

PD_U64 ExtentNameConverter::Extent_base32_to_dec(const std::string& text) {
  PD_U64 value = 0;
  for (char c : text) {
    const int digit = DigitValue(c);
    if (digit < 0) break;
    if (value > (~0ULL >> kBitsPerDigit)) return ~0ULL;
    value = (value << kBitsPerDigit) | static_cast<unsigned>(digit);
  }
  return value;
}

bool ExtentNameConverter::ReadName(const char* name, size_t length, size_t width, PD_U64& number) {
  number = 0;
  if (length == 0 || (width != 0 && length != width)) return false;
  PD_U64 value = 0;
  for (size_t i = 0; i < length; ++i) {
    const int digit = DigitValue(name[i]);
    if (digit < 0) return false;
    value = (value << kBitsPerDigit) | static_cast<unsigned>(digit);
    if (value >= kNameLimit) return false;
  }
  number = value;
  return true;
}

CYqError ExtentNameConverter::GetFilePath(PD_U64 extent, std::string& path) const {
  path.clear();
  if (m_digitCount < 1 || m_digitCount > kMaxDigits)
    return FXErrorUtil::ErrorInt(YQ_LOC, 1, "failed to get filepath");
  char name[kMaxDigits + 1];
  if (!Extent_dec_to_base32_v2(extent, name, static_cast<unsigned>(m_digitCount)))
    return FXErrorUtil::ErrorInt(YQ_LOC, 1, "failed to get filepath");
  if (m_folder.empty()) {
    path = name;
    return CYqError();
  }
  std::string joined = m_folder;
  CYqError err = FXPath::Append(joined, name);
  if (err.Failed()) return err.Push(YQ_LOC);
  path = joined;
  return CYqError();
}

bool ExtentNameConverter::GetExtentNumber(const std::string& path, PD_U64& number) const {
  return GetExtentNumber(path, number, '/');
}

bool ExtentNameConverter::GetExtentNumber(const std::string& path, PD_U64& number,
                                          char delimiter) const {
  number = 0;
  const size_t slash = path.rfind(delimiter);
  if (slash == std::string::npos || m_digitCount < 1) return false;
  return ReadName(path.c_str() + slash + 1, path.size() - slash - 1,
                  static_cast<size_t>(m_digitCount), number);
}

bool ExtentNameConverter::GetFileName(const std::string& path, std::string& containerPath) const {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return false;
  containerPath = path.substr(0, slash);
  return true;
}

bool ExtentNameConverter::GetFileNameAndExtentNumber(const std::string& extentPath,
                                                     std::string& containerPath, PD_U64& number) {
  number = 0;
  std::string leaf;
  CYqError err = FXPath::SplitParentPath(extentPath, containerPath, leaf);
  if (err.Failed()) {
    YQ_LOG_FAILURE("Failed to split extentPath into container filePath and extentNumber, error=%s",
                   err.AsString().c_str());
    return false;
  }
  return ReadName(leaf.c_str(), leaf.size(), 0, number);
}

bool ExtentNameConverter::GetExtentNumberFromFileName(const std::string& name,
                                                      PD_U64& number) const {
  number = 0;
  if (m_digitCount < 1) return false;
  return ReadName(name.c_str(), name.size(), static_cast<size_t>(m_digitCount), number);
}

bool ExtentNameConverter::NumToBaseN(unsigned long long value, char* buffer, unsigned& length,
                                     int base) const {
  static const char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (base < 2 || base > 62) {
    length = 0;
    return false;
  }
  if (buffer == nullptr || m_digitCount < 0 || static_cast<unsigned>(m_digitCount) >= length)
    return false;
  const unsigned digits = static_cast<unsigned>(m_digitCount);
  buffer[digits] = '\0';
  length = digits;
  for (unsigned i = digits; i > 0; --i) {
    buffer[i - 1] = kDigits[value % static_cast<unsigned>(base)];
    value /= static_cast<unsigned>(base);
  }
  return value == 0;
}
