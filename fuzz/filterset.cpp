// CFilterSet: any sequence of added items, NoInherit marks and questions. IsIn agrees with
// the slow reference over the same accepted items, and the folder questions never
// contradict the answer for a path below them.
#include "yqbase/filters/FilterSet.h"

#include "fuzz/FuzzUtil.h"
#include "yqbase/filters/FilterSet_testutil.h"

namespace {

void CheckPath(const CFilterSet& set, const std::vector<yqtest::SFilterRule>& rules,
               const std::vector<std::string>& noInherit, const std::string& path) {
  const yqtest::CReferenceSet reference(rules, noInherit);
  FUZZ_CHECK(reference.valid());
  for (ENUM_FILTER_APPLIES kind :
       {FILTER_APPLIES_ALL, FILTER_APPLIES_FILES, FILTER_APPLIES_DIRECTORIES, FILTER_APPLIES_T}) {
    const bool expected = reference.IsIn(kind, path);
    if (set.IsIn(kind, path) != expected)
      std::fprintf(stderr, "path [%s] kind %d: reference says %d\n", path.c_str(), kind, expected);
    FUZZ_CHECK(set.IsIn(kind, path) == expected);
    // Folders are asked about in normal form, so only a path in that form is compared with
    // them: terms see "//a/b" and "/a/b" as different texts.
    const std::vector<std::string> c = yqtest::Components(path);
    if (path != yqtest::Join(c, c.size())) continue;
    for (size_t k = 0; k < c.size(); ++k) {
      const std::string folder = yqtest::Join(c, k);
      if (expected && kind != FILTER_APPLIES_T) FUZZ_CHECK(set.IsMatchPossibleInFolder(folder));
      if (!expected && kind == FILTER_APPLIES_ALL) FUZZ_CHECK(!set.IsMatchEntireFolder(folder));
    }
  }
}

}  // namespace

// Each line is one step chosen by its first byte: add a Filter item, add an Exception item,
// mark a path NoInherit, or ask about a path.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> lines =
      yqfuzz::SplitAt(std::string(reinterpret_cast<const char*>(data), size), '\n');
  if (lines.size() > 64) return 0;
  CFilterSet set;
  std::vector<yqtest::SFilterRule> rules;
  std::vector<std::string> noInherit;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    const std::string text = line.substr(1);
    switch (line[0] & 3) {
      case 0:
      case 1: {
        const bool exception = line[0] & 1;
        if (set.AddFilterItem(exception ? BFilterNodeState::Exception : BFilterNodeState::Filter,
                              text)
                .Succeeded())
          rules.push_back(yqtest::SFilterRule{exception, text});
        break;
      }
      case 2: {
        const std::vector<std::string> c = yqtest::Components(text);
        const std::string path = yqtest::Join(c, c.size());
        if (set.SetNoInherit(path).Succeeded()) noInherit.push_back(path);
        break;
      }
      default:
        // A path never holds a NUL; matchers that read C strings would see a shorter one.
        if (text.find('\0') == std::string::npos) CheckPath(set, rules, noInherit, text);
    }
  }
  return 0;
}
