#include "yqbase/filters/FilterSet.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/logging/LogWriterInterface.h"
#include "yqbase/strings/StringExtensions.h"

namespace {

typedef CPathCacheUnorderedT<CFilterNode> CFilterTree;
typedef CFilterTree::Node CTreeNode;

std::string LowerAscii(const char* text, size_t length) {
  std::string lower(text, length);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return lower;
}

bool HasWildcard(const std::string& text, char escape) {
  return text.find_first_of(std::string("*?[\\") + escape) != std::string::npos;
}

size_t HashOf(const char* text, size_t length) {
  return std::hash<std::string_view>()(std::string_view(text, length));
}

// The keys by which the term indexes select candidates.
enum EKeyKind { kExtension, kBasename, kFirst, kWhole, kKeyKinds };

// The keys of a tested path, made on first use: hashes of the lower-cased extension of the last
// component (from its last "."), of that component, of its first character and of the path.
class CPathKeys {
 public:
  explicit CPathKeys(const std::string& path) : m_path(path) {}

  // Zero-width characters are skipped by the path matcher, so such paths bypass the indexes.
  bool Indexable() {
    Make();
    return m_indexable;
  }
  // False when the path has no such key.
  bool Key(EKeyKind kind, size_t& hash) {
    Make();
    if (!m_known[kind]) {
      m_known[kind] = true;
      m_present[kind] = true;
      if (kind == kWhole) {
        static thread_local std::string whole;  // one buffer per thread, no allocation per path
        whole = LowerAscii(m_path.data(), m_path.size());
        m_hash[kind] = HashOf(whole.data(), whole.size());
      } else if (kind == kBasename) {
        m_hash[kind] = HashOf(m_base.data(), m_base.size());
      } else if (kind == kFirst) {
        m_present[kind] = !m_base.empty();
        m_hash[kind] = HashOf(m_base.data(), m_present[kind] ? 1 : 0);
      } else {
        const size_t dot = m_base.rfind('.');
        m_present[kind] = dot != std::string_view::npos;
        if (m_present[kind]) m_hash[kind] = HashOf(m_base.data() + dot, m_base.size() - dot);
      }
    }
    hash = m_hash[kind];
    return m_present[kind];
  }

 private:
  void Make() {
    if (m_made) return;
    m_made = true;
    const char* data = m_path.data();
    const size_t size = m_path.size();
    m_indexable =
        std::memchr(data, '\xE2', size) == nullptr && std::memchr(data, '\xEF', size) == nullptr;
    const void* slash = memrchr(data, '/', size);
    const size_t base = slash == nullptr ? 0 : static_cast<const char*>(slash) - data + 1;
    static thread_local std::string lower;  // the last component, lower-cased
    lower.assign(data + base, size - base);
    for (char& c : lower)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    m_base = std::string_view(lower);
  }

  const std::string& m_path;
  bool m_made = false;
  bool m_indexable = true;
  std::string_view m_base;
  bool m_known[kKeyKinds] = {false, false, false, false};
  bool m_present[kKeyKinds] = {false, false, false, false};
  size_t m_hash[kKeyKinds] = {0, 0, 0, 0};
};

}  // namespace

/// The terms of one node for fast look-up. A term whose matches must end in a known extension,
/// have a known last component, begin their last component with a known character or equal a
/// known path sits in a hash table under (the hash of) that key; the rest are tried in text
/// order. The answer is the first matching term in text order, as if every term were tried in
/// that order; keys only select candidates, each candidate is still matched in full.
class CFilterTermIndex {
 public:
  void Add(const std::string& text, const CFilterTermPtr& term) {
    const SEntry entry{text, term.get()};
    std::string key;
    const EKeyKind kind = Classify(*term, key);
    if (kind == kKeyKinds) {
      m_general.insert(
          std::upper_bound(m_general.begin(), m_general.end(), entry,
                           [](const SEntry& a, const SEntry& b) { return a.text < b.text; }),
          entry);
      return;
    }
    m_tables[kind][HashOf(key.data(), key.size())].push_back(entry);
  }

  const CFilterTerm* FirstMatch(ENUM_FILTER_APPLIES kind, CFilterTermTestString& test,
                                CPathKeys& keys) const {
    const SEntry* best = nullptr;
    if (!keys.Indexable()) {
      for (const CTable& table : m_tables)
        for (const auto& bucket : table)
          for (const SEntry& e : bucket.second) Try(e, kind, test, best);
    } else {
      size_t hash = 0;
      for (int k = 0; k < kKeyKinds; ++k)
        if (!m_tables[k].empty() && keys.Key(static_cast<EKeyKind>(k), hash))
          TryBucket(m_tables[k], hash, kind, test, best);
    }
    for (const SEntry& e : m_general) {
      if (best != nullptr && e.text >= best->text) break;
      if (Try(e, kind, test, best)) break;
    }
    return best != nullptr ? best->term : nullptr;
  }

 private:
  struct SEntry {
    std::string text;
    const CFilterTerm* term;
  };
  typedef std::unordered_map<size_t, std::vector<SEntry>> CTable;

  // Which table a term belongs to, and its key there; kKeyKinds for the general list.
  static EKeyKind Classify(const CFilterTerm& term, std::string& key) {
    const std::string text = term.GetFilterTerm();
    if (term.GetEngine() == CFilterTerm::ENGINE_MATCH) {
      key = LowerAscii(text.data(), text.size());
      if (!key.empty() && key.back() == '/') key.pop_back();
      return kWhole;
    }
    std::string tail;  // a literal text every match must end with
    if (term.GetEngine() == CFilterTerm::ENGINE_MATCHRIGHT) {
      tail = text;
    } else if (term.GetEngine() == CFilterTerm::ENGINE_PATHMATCH && text.size() > 1 &&
               text.compare(text.size() - std::min<size_t>(3, text.size()), 3, "***") != 0) {
      // The last component matches the path's last one (a pattern ending in "***" may also
      // match a shorter path): wholly literal, "*" and a literal tail, or a literal head.
      const char escape = static_cast<char>(term.GetPathMatchEscapeCharacter());
      const std::string last = text.substr(text.rfind('/') + 1);
      if (last.empty()) return kKeyKinds;
      if (last[0] != '*' && !HasWildcard(last, escape)) {
        key = LowerAscii(last.data(), last.size());
        return kBasename;
      }
      if (last[0] != '*' && !HasWildcard(last.substr(0, 1), escape)) {
        key = LowerAscii(last.data(), 1);
        return kFirst;
      }
      if (last[0] != '*' || HasWildcard(last.substr(1), escape)) return kKeyKinds;
      tail = last.substr(1);
    } else {
      return kKeyKinds;
    }
    const size_t slash = tail.rfind('/');
    const size_t dot = tail.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
      key = LowerAscii(tail.data() + dot, tail.size() - dot);
      return kExtension;
    }
    if (slash != std::string::npos && term.GetEngine() == CFilterTerm::ENGINE_MATCHRIGHT) {
      key = LowerAscii(tail.data() + slash + 1, tail.size() - slash - 1);
      return kBasename;
    }
    return kKeyKinds;
  }

  static bool Try(const SEntry& e, ENUM_FILTER_APPLIES kind, CFilterTermTestString& test,
                  const SEntry*& best) {
    if (best != nullptr && e.text >= best->text) return false;
    if (!e.term->AppliesTo(kind) || !e.term->Matches(test)) return false;
    best = &e;
    return true;
  }

  static void TryBucket(const CTable& table, size_t hash, ENUM_FILTER_APPLIES kind,
                        CFilterTermTestString& test, const SEntry*& best) {
    const auto it = table.find(hash);
    if (it == table.end()) return;
    for (const SEntry& e : it->second) Try(e, kind, test, best);
  }

  CTable m_tables[kKeyKinds];
  std::vector<SEntry> m_general;
};

class CFilterSetPrivate {
 public:
  CYqError AddTerm(BFilterNodeState state, const CFilterTermPtr& term, const std::string& source);
  CYqError AddLiteral(BFilterNodeState state, const std::string& path, FVBasePtr value,
                      const std::string& source);
  bool IsIn(ENUM_FILTER_APPLIES kind, CFilterTermTestString& test, FVBasePtr* value) const;
  bool IsMatchPossibleInFolder(CFilterTermTestString& folder) const;
  bool IsMatchEntireFolder(CFilterTermTestString& folder) const;

  CFilterTree tree;
  int escape = 0;
  bool insensitiveWildcards = false;
};

namespace {

DWORD Role(const CTreeNode* n) { return n->data.state & BFilterNodeState::RoleMask; }
bool NoInherit(const CTreeNode* n) { return (n->data.state & BFilterNodeState::NoInherit) != 0; }

CTreeNode* FirstContent(CTreeNode* n) {
  while (n != nullptr && !n->HasContent()) n = n->Parent();
  return n;
}

void RebuildIndex(const std::map<std::string, CFilterTermPtr>& terms,
                  boost::shared_ptr<CFilterTermIndex>& index) {
  index = boost::make_shared<CFilterTermIndex>();
  for (const auto& t : terms) index->Add(t.first, t.second);
}

// Whether any node below `node` carries an exclusion.
// An exclusion, or a NoInherit node that does not include itself (what lies below it is
// not inherited), anywhere below `node`.
bool HasExclusionBelow(const CTreeNode& node) {
  for (const auto& child : node.children) {
    const CTreeNode& c = *child.second;
    const bool included = c.HasContent() && Role(&c) == BFilterNodeState::Filter;
    if ((c.HasContent() && Role(&c) == BFilterNodeState::Exception) ||
        (NoInherit(&c) && !included) || !c.data.exceptionTerms.empty() || HasExclusionBelow(c))
      return true;
  }
  return false;
}

}  // namespace

CYqError CFilterSetPrivate::AddTerm(BFilterNodeState state, const CFilterTermPtr& term,
                                    const std::string& source) {
  if (!term) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "null filter term");
  // Built now, so that queries only read; a term that cannot be built logs when matched.
  if (term->GetEngine() == CFilterTerm::ENGINE_PATHMATCH ||
      term->GetEngine() == CFilterTerm::ENGINE_REGEX)
    (void)term->InitializeEngine();
  const bool caseBlind =
      (term->getOptions() & BFilterTermOptions::CaseMask) == BFilterTermOptions::CaseInsensitive;
  CFilterTree::NodePtr node;
  CYqError err = tree.SearchOrInsert(caseBlind ? std::string() : term->GetFilterPrefix(), node);
  if (err.Failed()) return err.Push(YQ_LOC, "SearchOrInsert failed");
  const bool exception = (state & BFilterNodeState::RoleMask) == BFilterNodeState::Exception;
  auto& terms = exception ? node->data.exceptionTerms : node->data.filterTerms;
  auto& index = exception ? node->data.exceptionIndex : node->data.filterIndex;
  // A term replaces the same rule; one that differs only in engine, options or kinds shares
  // the text but not the rule, and gets a key of its own after it.
  std::string key = term->GetFilterTerm();
  const auto same = terms.find(key);
  if (same != terms.end() && !same->second->IsSameFilterAs(*term))
    key += '\0' + term->GetRawFilterTerm();
  auto inserted = terms.insert(std::make_pair(key, term));
  if (!inserted.second) {
    inserted.first->second = term;
    RebuildIndex(terms, index);
  } else {
    if (!index) index = boost::make_shared<CFilterTermIndex>();
    index->Add(inserted.first->first, term);
  }
  node->flags = node->flags | BPathCacheNodeFlags::ContentPresent;
  YQ_TRACE(4, "FilterTerm=%s as %s%s%s", term->GetRawFilterTerm().c_str(),
           BFilterNodeState::AsString(state).c_str(),
           source.empty() ? "" : ", Source=", source.c_str());
  return CYqError();
}

bool CFilterSetPrivate::IsIn(ENUM_FILTER_APPLIES kind, CFilterTermTestString& test,
                             FVBasePtr* value) const {
  if (value != nullptr) value->reset();
  bool own = false;
  CTreeNode* deepest = tree.Deepest(test.str(), &own);
  if (FirstContent(deepest) == nullptr) return kind == FILTER_APPLIES_T;
  CPathKeys keys(test.str());
  bool included = false;
  FVBasePtr decided;
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent()) {
    if (n->HasContent() && Role(n) == BFilterNodeState::Filter) {
      included = true;
      decided = n->data.value;
      break;
    }
    if (NoInherit(n)) break;
  }
  for (CTreeNode* n = deepest; !included && n != nullptr; n = n->Parent()) {
    if (n->HasContent() && n->data.filterIndex) {
      const CFilterTerm* term = n->data.filterIndex->FirstMatch(kind, test, keys);
      if (term != nullptr) {
        included = true;
        decided = term->GetValue();
      }
    }
    if (NoInherit(n)) break;
  }
  if (!included && kind != FILTER_APPLIES_T) return false;
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent())
    if (n->HasContent() && Role(n) == BFilterNodeState::Exception) return false;
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent())
    if (n->HasContent() && n->data.exceptionIndex &&
        n->data.exceptionIndex->FirstMatch(kind, test, keys) != nullptr)
      return false;
  if (value != nullptr) *value = decided;
  return true;
}

bool CFilterSetPrivate::IsMatchPossibleInFolder(CFilterTermTestString& folder) const {
  bool own = false;
  CTreeNode* deepest = tree.Deepest(folder.str(), &own);
  const bool deeperItems = own && !deepest->children.empty();
  if (FirstContent(deepest) == nullptr) return deeperItems;
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent())
    if (n->HasContent() && Role(n) == BFilterNodeState::Exception) return false;
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent()) {
    if (n->HasContent() && Role(n) == BFilterNodeState::Filter) return true;
    for (const auto& t : n->data.filterTerms)
      if (t.second->Matches(folder, 1)) return true;
    if (NoInherit(n)) break;
  }
  return deeperItems;
}

bool CFilterSetPrivate::IsMatchEntireFolder(CFilterTermTestString& folder) const {
  bool own = false;
  CTreeNode* deepest = tree.Deepest(folder.str(), &own);
  if (FirstContent(deepest) == nullptr) return false;
  if (own && (!deepest->data.exceptionTerms.empty() || HasExclusionBelow(*deepest))) return false;
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent()) {
    if (n->HasContent() && Role(n) == BFilterNodeState::Exception) return false;
    for (const auto& t : n->data.exceptionTerms)
      if (!t.second->IsTrailingPathWildcard() || t.second->Matches(folder, 1)) return false;
  }
  for (CTreeNode* n = deepest; n != nullptr; n = n->Parent()) {
    if (n->HasContent() && Role(n) == BFilterNodeState::Filter) return true;
    for (const auto& t : n->data.filterTerms)
      if (t.second->IsTrailingPathWildcard() && t.second->Matches(folder)) return true;
    if (NoInherit(n)) break;
  }
  return false;
}

CFilterSet::CFilterSet() : m_private(boost::make_shared<CFilterSetPrivate>()) {}

CFilterSet::~CFilterSet() = default;

CYqError CFilterSet::AddFilterItem(BFilterNodeState state, const std::string& raw) {
  return AddFilterItem(state, raw, FVBasePtr(), std::string());
}

CYqError CFilterSet::AddFilterItem(BFilterNodeState state, const std::string& raw,
                                   FVBasePtr value) {
  return AddFilterItem(state, raw, value, std::string());
}

CYqError CFilterSet::AddFilterItem(BFilterNodeState state, const std::string& raw, FVBasePtr value,
                                   const std::string& source) {
  CFilterSetPrivate& p = *m_private;
  const bool matchItem = !raw.empty() && raw[0] == '<';
  if (CFilterTerm::IsWildcardItem(raw) || matchItem) {
    CFilterTermPtr term =
        boost::make_shared<CFilterTerm>(p.insensitiveWildcards ? BFilterTermOptions::CaseInsensitive
                                                               : BFilterTermOptions::CaseDefault);
    if (p.insensitiveWildcards) YQ_TRACE(5, "Using case insensitive filter for '%s'", raw.c_str());
    term->SetPathMatchEscapeCharacter(p.escape);
    CYqError err = term->LoadRaw(raw, value);
    if (err.Failed()) return err.Push(YQ_LOC);
    if (CFilterTerm::IsWildcardItem(raw)) {
      err = p.AddTerm(state, term, source);
      if (err.Failed()) return err.Push(YQ_LOC);
      return err;
    }
    // A Match item names a literal path, even one that reads as a wildcard item ("<M>/a*").
    err = p.AddLiteral(state, term->GetFilterTerm(), value, source);
    if (err.Failed()) err.Push(YQ_LOC);
    return err;
  }
  CYqError err = p.AddLiteral(state, raw, value, source);
  if (err.Failed()) err.Push(YQ_LOC);
  return err;
}

CYqError CFilterSetPrivate::AddLiteral(BFilterNodeState state, const std::string& raw,
                                       FVBasePtr value, const std::string& source) {
  if (raw.find('\0') != std::string::npos)
    return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "Filter item holds a NUL character, Filter=[%s]",
                                   raw.c_str());
  CFilterTree::NodePtr node;
  CYqError err = tree.SearchOrInsert(raw, node);
  if (err.Failed()) return err.Push(YQ_LOC, "SearchOrInsert failed");
  const DWORD old = node->HasContent() ? static_cast<DWORD>(node->data.state) : 0;
  const DWORD oldRole = old & BFilterNodeState::RoleMask;
  const DWORD newRole = state & BFilterNodeState::RoleMask;
  DWORD role = BFilterNodeState::Placeholder;
  if (oldRole == BFilterNodeState::Exception || newRole == BFilterNodeState::Exception)
    role = BFilterNodeState::Exception;
  else if (oldRole == BFilterNodeState::Filter || newRole == BFilterNodeState::Filter)
    role = BFilterNodeState::Filter;
  node->data.state =
      role | ((old | node->data.state | state) & static_cast<DWORD>(BFilterNodeState::NoInherit));
  node->data.value = value;
  node->flags = node->flags | BPathCacheNodeFlags::ContentPresent;
  YQ_TRACE(4, "FilterItem=%s as %s", raw.c_str(),
           BFilterNodeState::AsString(node->data.state).c_str());
  if (!source.empty()) YQ_TRACE(4, "Source=%s", source.c_str());
  return CYqError();
}

CYqError CFilterSet::AddFilterItem(BFilterNodeState state, CFilterTermPtr term) {
  return AddFilterItem(state, term, std::string());
}

CYqError CFilterSet::AddFilterItem(BFilterNodeState state, CFilterTermPtr term,
                                   const std::string& source) {
  CYqError err = m_private->AddTerm(state, term, source);
  if (err.Failed()) return err.Push(YQ_LOC);
  return err;
}

CYqError CFilterSet::SetNoInherit(const std::string& path) {
  bool own = false;
  CTreeNode* node = m_private->tree.Deepest(path, &own);
  if (!own) {
    CTreeNode* found = nullptr;
    const EPathCacheResult result = m_private->tree.Search(path, &found);
    return FXErrorUtil::ErrorWin32(YQ_LOC, 1168, "Result=%s",
                                   EPathCacheResult::AsString(result).c_str());
  }
  if (m_private->tree.IsWriteProtected())
    return FXErrorUtil::ErrorWin32(YQ_LOC, 19, "Container is write-protected");
  node->data.state = node->data.state | BFilterNodeState::NoInherit;
  return CYqError();
}

bool CFilterSet::IsIn(const std::string& path) const { return IsIn(FILTER_APPLIES_ALL, path); }

bool CFilterSet::IsIn(const std::string& path, FVBasePtr& value) const {
  return IsIn(FILTER_APPLIES_ALL, path, value);
}

bool CFilterSet::IsIn(ENUM_FILTER_APPLIES kind, const std::string& path) const {
  CFilterTermTestString test(path);
  return m_private->IsIn(kind, test, nullptr);
}

bool CFilterSet::IsIn(ENUM_FILTER_APPLIES kind, const std::string& path, FVBasePtr& value) const {
  CFilterTermTestString test(path);
  return m_private->IsIn(kind, test, &value);
}

bool CFilterSet::IsIn(CFilterTermTestString& path) const {
  return m_private->IsIn(FILTER_APPLIES_ALL, path, nullptr);
}

bool CFilterSet::IsIn(CFilterTermTestString& path, FVBasePtr& value) const {
  return m_private->IsIn(FILTER_APPLIES_ALL, path, &value);
}

bool CFilterSet::IsIn(ENUM_FILTER_APPLIES kind, CFilterTermTestString& path) const {
  return m_private->IsIn(kind, path, nullptr);
}

bool CFilterSet::IsIn(ENUM_FILTER_APPLIES kind, CFilterTermTestString& path,
                      FVBasePtr& value) const {
  return m_private->IsIn(kind, path, &value);
}

bool CFilterSet::IsMatchPossibleInFolder(const std::string& folder) const {
  CFilterTermTestString test(folder);
  return m_private->IsMatchPossibleInFolder(test);
}

bool CFilterSet::IsMatchPossibleInFolder(CFilterTermTestString& folder) const {
  return m_private->IsMatchPossibleInFolder(folder);
}

bool CFilterSet::IsMatchEntireFolder(const std::string& folder) const {
  CFilterTermTestString test(folder);
  return m_private->IsMatchEntireFolder(test);
}

bool CFilterSet::IsMatchEntireFolder(CFilterTermTestString& folder) const {
  return m_private->IsMatchEntireFolder(folder);
}

bool CFilterSet::IsPathOrChildInSubclientContent(const std::string& path) const {
  CFilterTermTestString test(path);
  return IsPathOrChildInSubclientContent(test);
}

bool CFilterSet::IsPathOrChildInSubclientContent(CFilterTermTestString& path) const {
  return m_private->IsIn(FILTER_APPLIES_ALL, path, nullptr) ||
         m_private->IsMatchPossibleInFolder(path);
}

EPathCacheResult CFilterSet::Search(const std::string& path) const {
  BFilterNodeState state;
  FVBasePtr value;
  return Search(path, state, value);
}

EPathCacheResult CFilterSet::Search(const std::string& path, BFilterNodeState& state,
                                    FVBasePtr& value) const {
  CTreeNode* found = nullptr;
  const EPathCacheResult result = m_private->tree.Search(path, &found);
  state = found != nullptr ? found->data.state : BFilterNodeState();
  value = found != nullptr ? found->data.value : FVBasePtr();
  return result;
}

bool CFilterSet::empty() const { return m_private->tree.empty(); }

CYqError CFilterSet::SetExposeRoot(bool expose) {
  CYqError err = m_private->tree.SetExposeRoot(expose);
  if (err.Failed()) return err.Push(YQ_LOC);
  return err;
}

void CFilterSet::SetWriteProtected(bool writeProtected) {
  m_private->tree.SetWriteProtected(writeProtected);
}

void CFilterSet::SetPathMatchEscapeCharacter(int escape) { m_private->escape = escape; }

void CFilterSet::SetUseInsensitiveFilterForWildCard(bool insensitive) {
  m_private->insensitiveWildcards = insensitive;
}

bool CFilterSet::IsUseInsensitiveFilterForWildCardSet() const {
  return m_private->insensitiveWildcards;
}

bool CFilterSet::Walk(CPathCacheUnorderedTWalkCallback<CFilterNode>& callback) const {
  return m_private->tree.Walk(callback);
}

namespace {

// Calls a function for every node of the tree, the root included.
template <typename Function>
class CFunctionWalk : public CPathCacheUnorderedTWalkCallback<CFilterNode> {
 public:
  explicit CFunctionWalk(Function function) : m_function(function) {}
  bool OnNode(const std::string& path, CTreeNode& node, int depth) override {
    return m_function(path, node, depth);
  }

 private:
  Function m_function;
};

template <typename Function>
void WalkAll(const CFilterTree& tree, Function function) {
  CFunctionWalk<Function> walk(function);
  tree.WalkAll(walk);
}

bool IsSurface(const CTreeNode& node) {
  return node.HasContent() &&
         (Role(&node) == BFilterNodeState::Filter || !node.data.filterTerms.empty());
}

}  // namespace

void CFilterSet::GetSurfaceList(std::list<std::string>& out) const {
  out.clear();
  WalkAll(m_private->tree, [&out](const std::string& path, CTreeNode& node, int) {
    if (!IsSurface(node)) return true;
    for (const CTreeNode* n = node.Parent(); n != nullptr; n = n->Parent())
      if (IsSurface(*n)) return true;
    out.push_back(path);
    return true;
  });
}

namespace {

CFilterValueTextFunction s_valueText = nullptr;

}  // namespace

CFilterValueTextFunction CFilterSet::SetValueTextFunction(CFilterValueTextFunction function) {
  const CFilterValueTextFunction previous = s_valueText;
  s_valueText = function;
  return previous;
}

CYqError CFilterSet::SerializeToFile(const std::string& identifier, FILE* file) const {
  if (file == nullptr) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "null file");
  long long count = 0;
  int error = 0;
  const char* id = identifier.c_str();
  const CFilterValueTextFunction valueText = s_valueText;
  auto line = [&](bool include, const std::string& item, const FVBasePtr& value) {
    const std::string text = value && valueText != nullptr ? valueText(*value) : std::string();
    if (error == 0 && std::fprintf(file, include ? "%s||F||%s||%s\n" : "%s||E||%s||%s\n", id,
                                   item.c_str(), text.c_str()) < 0)
      error = errno != 0 ? errno : EIO;
    ++count;
  };
  WalkAll(m_private->tree, [&](const std::string& path, CTreeNode& node, int) {
    if (!node.HasContent()) return true;
    const DWORD role = Role(&node);
    if (role != BFilterNodeState::Placeholder) {
      const bool literal = !CFilterTerm::IsWildcardItem(path) && path[0] != '<';
      line(role == BFilterNodeState::Filter, literal ? path : "<M>" + path, node.data.value);
    }
    for (const auto& t : node.data.filterTerms)
      line(true, t.second->GetRawFilterTerm(), t.second->GetValue());
    for (const auto& t : node.data.exceptionTerms)
      line(false, t.second->GetRawFilterTerm(), t.second->GetValue());
    return error == 0;
  });
  if (error != 0)
    return FXErrorUtil::ErrorErrNo(YQ_LOC, error, "writing filter set %s", identifier.c_str());
  YQ_TRACE(1, "Identifier=%s, Count=%lld", id, count);
  return CYqError();
}

CYqError CFilterSet::DumpDiagnosticData(CLineWriterPtr writer, const std::string& title) const {
  if (!writer) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "null line writer");
  CYqError err;
  int items = 0;
  const char* t = title.c_str();
  WalkAll(m_private->tree, [&](const std::string&, CTreeNode& node, int depth) {
    const char* connector = node.children.empty() ? "|--" : "|==";
    const std::string name =
        std::string(2 * depth, ' ') + (node.Parent() == nullptr ? "(ROOT)" : node.name);
    const std::string state =
        node.HasContent() ? BFilterNodeState::AsString(node.data.state) : std::string();
    err = writer->WriteLine("%s: 0x%p %s %s    %s", t, static_cast<void*>(&node), connector,
                            name.c_str(), state.c_str());
    ++items;
    const auto terms = [&](const std::map<std::string, CFilterTermPtr>& list, bool include) {
      for (const auto& term : list) {
        const std::string raw = term.second->GetRawFilterTerm();
        const void* address = term.second.get();
        if (depth == 0)
          err = writer->WriteLine(include ? "%s: 0x%p %s %s    Filter, Term=%s"
                                          : "%s: 0x%p %s %s    Exception, Term=%s",
                                  t, address, connector, name.c_str(), raw.c_str());
        else
          err = writer->WriteLine(
              include ? "%s: 0x%p %s %*s+Filter, Term=%s" : "%s: 0x%p %s %*s+Exception, Term=%s", t,
              address, connector, 2 * depth + 4, "", raw.c_str());
        ++items;
      }
    };
    terms(node.data.filterTerms, true);
    terms(node.data.exceptionTerms, false);
    return err.Succeeded();
  });
  if (err.Failed()) return err.Push(YQ_LOC);
  err = writer->WriteLine("%s %d items", t, items);
  if (err.Failed()) return err.Push(YQ_LOC);
  return err;
}

CYqError CFilterSet::DumpSurfaceDiagnosticData(CLineWriterPtr writer,
                                               const std::string& title) const {
  if (!writer) return FXErrorUtil::ErrorWin32(YQ_LOC, 87, "null line writer");
  std::list<std::string> surface;
  GetSurfaceList(surface);
  int index = 0;
  for (const std::string& path : surface) {
    CYqError err = writer->WriteLine("%sS%d: %s", title.c_str(), index++, path.c_str());
    if (err.Failed()) return err.Push(YQ_LOC);
  }
  return CYqError();
}

void CFilterSet::DumpToLog(DWORD mask, int level, const std::string& title) const {
  CLogWriterInterface* log = g_ptrLogWriter.get();
  if (log == nullptr || log->GetDebugLevel() < level || (log->GetDebugMask() & mask) == 0) return;
  CLineWriterPtr writer = boost::make_shared<CLogWriterLineWriter>(g_ptrLogWriter, YQ_LOC);
  CYqError err = DumpDiagnosticData(writer, title);
  if (err.Failed()) YQ_LOG_FAILURE("DumpDiagnosticData failed, error=%s", err.AsString().c_str());
}
