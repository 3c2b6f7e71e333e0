// Test helper: a realistic rule list of about 1,000 filter items, a slow reference decision
// over plain lists and a generator of paths in the tree those rules describe, shared by the
// filter-set tests, benchmark and fuzzer.
#pragma once

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "yqbase/filters/FilterSet.h"

namespace yqtest {

struct SFilterRule {
  bool exception;
  std::string raw;
};

// Literal folders, "*.ext" rules, "**" rules, per-folder wildcards, a few RegEx, Match and
// case-blind terms, exclusions of each kind. `noInherit` receives paths to mark NoInherit.
inline std::vector<SFilterRule> RealisticRules(std::vector<std::string>* noInherit = nullptr) {
  std::vector<SFilterRule> rules;
  const auto add = [&rules](bool exception, const std::string& raw) {
    rules.push_back(SFilterRule{exception, raw});
  };
  for (int u = 0; u < 200; ++u) add(false, "/home/u" + std::to_string(u));
  for (int u = 0; u < 200; u += 2) add(true, "/home/u" + std::to_string(u) + "/tmp");
  for (int u = 0; u < 100; ++u) add(true, "/home/u" + std::to_string(u) + "/cache/***");
  for (int e = 0; e < 240; ++e) add(false, "*.e" + std::to_string(e));
  for (const char* ext : {"*.doc", "*.txt", "*.c", "*.log"}) add(false, ext);
  for (const char* raw : {"*.tmp", "<MR:ci>.bak", "*.o", "**/node_modules", "/home/*/.cache",
                          "<R:ci>.*/CORE\\.[0-9]+", "*~"})
    add(true, raw);
  add(false, "/srv/**/*.log");
  for (int s = 0; s < 100; ++s) add(false, "/srv/s" + std::to_string(s) + "/**/*.gz");
  for (int p = 0; p < 100; ++p) {
    add(false, "/data/p" + std::to_string(p));
    add(false, "/data/p" + std::to_string(p) + "/src/*.c");
    if (p % 10 == 0 && noInherit != nullptr)
      noInherit->push_back("/data/p" + std::to_string(p) + "/src");
  }
  for (const char* raw : {"<R>/var/log/.*\\.gz", "<R,D>/opt/[a-z]+/bin", "<M>/etc/passwd",
                          "/etc/hosts", "<P,F>/opt/*/lib/*.so", "<P,D>/opt/*/share",
                          "<P:ci>/Var/Www/*.HTML", "/home/*/.bashrc", "core.[0-9]*"})
    add(false, raw);
  for (int u = 0; u < 40; ++u) add(true, "/home/u" + std::to_string(u * 5) + "/docs/private");
  return rules;
}

// Builds a set from the rules; false when an item is refused.
inline bool BuildSet(CFilterSet& set, const std::vector<SFilterRule>& rules,
                     const std::vector<std::string>& noInherit) {
  for (const SFilterRule& r : rules)
    if (set.AddFilterItem(r.exception ? BFilterNodeState::Exception : BFilterNodeState::Filter,
                          r.raw)
            .Failed())
      return false;
  for (const std::string& path : noInherit)
    if (set.SetNoInherit(path).Failed()) return false;
  return true;
}

// The non-empty components of a path.
inline std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> out;
  size_t p = 0;
  while (p < path.size()) {
    while (p < path.size() && path[p] == '/') ++p;
    const size_t start = p;
    while (p < path.size() && path[p] != '/') ++p;
    if (p > start) out.push_back(path.substr(start, p - start));
  }
  return out;
}

// The first `n` components, each after a "/" ("" for none).
inline std::string Join(const std::vector<std::string>& c, size_t n) {
  std::string path;
  for (size_t i = 0; i < n; ++i) path += "/" + c[i];
  return path;
}

// The decision written out over plain lists: every rule is looked at for every path, on the
// folders from the deepest one that some rule names up to the root.
class CReferenceSet {
 public:
  CReferenceSet(const std::vector<SFilterRule>& rules, const std::vector<std::string>& noInherit) {
    for (const SFilterRule& r : rules) {
      if (!CFilterTerm::IsWildcardItem(r.raw)) {
        CFilterTerm match;  // "<M>" items name literal paths
        if (r.raw[0] == '<' && match.LoadRaw(r.raw).Failed()) m_valid = false;
        const std::vector<std::string> c =
            Components(r.raw[0] == '<' ? match.GetFilterTerm() : r.raw);
        const std::string at = Join(c, c.size());
        m_role[at] = r.exception || m_role[at] == 2 ? 2 : 1;
        AddNode(at);
        continue;
      }
      CFilterTermPtr term(new CFilterTerm);
      if (term->LoadRaw(r.raw).Failed()) m_valid = false;
      const bool caseBlind = (term->getOptions() & 3) == 1;
      const std::string at = caseBlind ? ""
                                       : Join(Components(term->GetFilterPrefix()),
                                              Components(term->GetFilterPrefix()).size());
      m_terms[at].push_back(STerm{r.exception, term});
      AddNode(at);
    }
    for (const std::string& path : noInherit) m_noInherit.insert(path);
  }

  // False when a rule did not load.
  bool valid() const { return m_valid; }

  bool IsIn(ENUM_FILTER_APPLIES kind, const std::string& path) const {
    const std::vector<std::string> c = Components(path);
    size_t deepest = c.size();
    while (deepest > 0 && m_nodes.count(Join(c, deepest)) == 0) --deepest;
    bool content = false;
    for (size_t k = 0; k <= deepest; ++k)
      content = content || m_role.count(Join(c, k)) > 0 || m_terms.count(Join(c, k)) > 0;
    if (!content) return kind == FILTER_APPLIES_T;
    CFilterTermTestString test(path);
    bool included = false;
    for (size_t k = deepest + 1; k-- > 0 && !included;) {
      included = Role(Join(c, k)) == 1;
      if (m_noInherit.count(Join(c, k)) > 0) break;
    }
    for (size_t k = deepest + 1; k-- > 0 && !included;) {
      included = AnyTerm(Join(c, k), false, kind, test);
      if (m_noInherit.count(Join(c, k)) > 0) break;
    }
    if (!included && kind != FILTER_APPLIES_T) return false;
    for (size_t k = 0; k <= deepest; ++k)
      if (Role(Join(c, k)) == 2 || AnyTerm(Join(c, k), true, kind, test)) return false;
    return true;
  }

 private:
  struct STerm {
    bool exception;
    CFilterTermPtr term;
  };

  void AddNode(const std::string& path) {
    const std::vector<std::string> c = Components(path);
    for (size_t k = 0; k <= c.size(); ++k) m_nodes.insert(Join(c, k));
  }
  int Role(const std::string& at) const {
    const auto it = m_role.find(at);
    return it == m_role.end() ? 0 : it->second;
  }
  bool AnyTerm(const std::string& at, bool exception, ENUM_FILTER_APPLIES kind,
               CFilterTermTestString& test) const {
    const auto it = m_terms.find(at);
    if (it == m_terms.end()) return false;
    for (const STerm& t : it->second)
      if (t.exception == exception && t.term->AppliesTo(kind) && t.term->Matches(test)) return true;
    return false;
  }

  std::set<std::string> m_nodes;
  std::map<std::string, int> m_role;  // 1 Filter, 2 Exception
  std::map<std::string, std::vector<STerm>> m_terms;
  std::set<std::string> m_noInherit;
  bool m_valid = true;
};

// Random paths of `minDepth` to `maxDepth` components through the rules' folders, ending in a
// file name with a mixed extension about half the time.
class CPathGenerator {
 public:
  CPathGenerator(unsigned seed, int minDepth, int maxDepth)
      : m_rng(seed), m_minDepth(minDepth), m_maxDepth(maxDepth) {}

  std::string Next() {
    static const char* const kTops[] = {"home", "srv", "data", "var", "etc", "opt", "tmp", "Var"};
    static const char* const kFolders[] = {"docs", "tmp", "cache",   "src",    "node_modules",
                                           "log",  "lib", "share",   "bin",    "www",
                                           "Www",  "sub", "private", ".cache", "build"};
    static const char* const kExts[] = {".doc", ".txt",  ".tmp",  ".TMP", ".bak",
                                        ".BAK", ".o",    ".c",    ".so",  ".log",
                                        ".gz",  ".html", ".HTML", "~",    ""};
    const int depth = m_minDepth + Pick(m_maxDepth - m_minDepth + 1);
    std::string path = std::string("/") + kTops[Pick(8)];
    for (int i = 1; i < depth; ++i) {
      const bool last = i == depth - 1;
      path += '/';
      const int kind = last && Pick(2) == 0 ? Pick(12) : -1;
      if (kind == 0) {
        path += "core." + std::to_string(Pick(20));
      } else if (kind == 1) {
        path += Pick(2) ? "CORE.7" : ".bashrc";
      } else if (kind >= 2 && kind <= 4) {
        path += "f" + std::to_string(Pick(50)) + ".e" + std::to_string(Pick(260));
      } else if (kind > 4) {
        path += "f" + std::to_string(Pick(50)) + kExts[Pick(15)];
      } else if (i == 1 && Pick(4) != 0) {
        path += "upsq"[Pick(4)] + std::to_string(Pick(210));
      } else if (Pick(5) == 0) {
        path += std::string(1, "abcxyz"[Pick(6)]) + std::to_string(Pick(9));
      } else {
        path += kFolders[Pick(15)];
      }
    }
    return path;
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

  std::mt19937 m_rng;
  int m_minDepth;
  int m_maxDepth;
};

}  // namespace yqtest
