// The external sort on small inputs with small buffers (many runs and merges): the output is
// ordered and a permutation of the input lines (so equal to std::sort of them when the order
// is total), or with the unique flag one line of each group of equal lines.
#include "yqbase/utilities/BatchSort.h"

#include <algorithm>

#include "fuzz/FuzzUtil.h"
#include "yqbase/utilities/Utilities_testutil.h"

namespace {

struct SOrder {
  bool ascending;
  bool caseSensitive;

  // Bytes as unsigned, ASCII letters folded unless case-sensitive, a prefix first.
  int operator()(const std::string& a, const std::string& b) const {
    const auto fold = [this](char c) {
      const unsigned char u = static_cast<unsigned char>(c);
      return !caseSensitive && u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
    };
    int order = 0;
    for (size_t i = 0; i < a.size() && i < b.size() && order == 0; ++i)
      order = fold(a[i]) < fold(b[i]) ? -1 : fold(a[i]) > fold(b[i]) ? 1 : 0;
    if (order == 0) order = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    return ascending ? order : -order;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const yqbase_test::CTempFolder folder;
  FuzzedDataProvider input(data, size);
  const SOrder order{input.ConsumeBool(), input.ConsumeBool()};
  const bool unique = input.ConsumeBool();
  const long bufferSize = 1 + input.ConsumeIntegralInRange(0, 255) * 16;
  const std::string text = input.ConsumeRemainingBytesAsString();
  const std::string in = folder / "in", out = folder / "out";
  yqbase_test::WriteFile(in, text);

  YqBatchSort sorter;
  FUZZ_CHECK(sorter
                 .init(in.c_str(), out.c_str(), folder.path().c_str(), order.ascending,
                       order.caseSensitive, unique, bufferSize)
                 .Succeeded());
  FUZZ_CHECK(sorter.sort().Succeeded());
  FUZZ_CHECK(sorter.finalize().Succeeded());
  const std::string sorted = yqbase_test::ReadFile(out);
  FUZZ_CHECK(sorted.empty() || sorted.back() == '\n');  // every line ends with a newline

  std::vector<std::string> lines = yqfuzz::SplitAt(text, '\n');
  const std::vector<std::string> output = yqfuzz::SplitAt(sorted, '\n');
  const auto less = [&order](const std::string& a, const std::string& b) {
    return order(a, b) < 0;
  };
  for (size_t i = 1; i < output.size(); ++i)
    FUZZ_CHECK(unique ? order(output[i - 1], output[i]) < 0 : order(output[i - 1], output[i]) <= 0);
  if (unique) {
    for (const std::string& line : output)
      FUZZ_CHECK(std::find(lines.begin(), lines.end(), line) != lines.end());
    for (const std::string& line : lines)
      FUZZ_CHECK(std::binary_search(output.begin(), output.end(), line, less));
  } else {
    std::vector<std::string> a = lines, b = output;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    FUZZ_CHECK(a == b);
  }
  return 0;
}
