// CFilterSet: include ("Filter") and exclude ("Exception") rules over a path tree, answering
// whether a path is in the set and whether a folder needs to be read at all.
#pragma once

#include <boost/shared_ptr.hpp>
#include <cstdio>
#include <list>
#include <map>
#include <string>

#include "yqbase/filters/FilterTerm.h"
#include "yqbase/filters/PathCacheUnorderedT.h"
#include "yqbase/logging/LineWriter.h"

class CFilterTermIndex;

/// The payload of a filter-set node: the state of a literal item (Filter, Exception or
/// placeholder, plus NoInherit), its user value, and the wildcard terms whose fixed prefix is
/// this node, by term text, with their look-up indexes.
/// Deliberate departure: terms of one text that differ in engine, options or kinds ("<P,F>/a/*"
/// and "<P,D>/a/*") are both kept (the second one's key is its text, a NUL and its raw form);
/// keyed by text alone, the later one replaced the earlier and its paths fell out of the set.
class YQBASE_EXPORT CFilterNode {
 public:
  BFilterNodeState state;
  FVBasePtr value;
  std::map<std::string, CFilterTermPtr> filterTerms;
  std::map<std::string, CFilterTermPtr> exceptionTerms;
  boost::shared_ptr<CFilterTermIndex> filterIndex;
  boost::shared_ptr<CFilterTermIndex> exceptionIndex;
};

class CFilterSetPrivate;

/// Renders an item's value for the filter-set file lines.
typedef std::string (*CFilterValueTextFunction)(const FVBase& value);

/// A content definition: literal items as nodes of a path tree, wildcard items as filter terms
/// hung on the node of their fixed prefix. A look-up descends the tree once and evaluates only
/// the terms on the path's own ancestors; terms on one node are kept in hash tables by
/// extension, last component and whole path where their form allows, so a set of thousands of
/// rules costs little more per path than a few.
///
/// Filled by one thread (AddFilterItem builds each term's engine), then queried by any number
/// of threads. Copies share the set.
///
/// Deliberate departures, to keep data safe: a case-blind term hangs on the root (its prefix is
/// compared case-blind, which the tree does not do); walks start at the deepest existing node
/// of the path, so a NoInherit set on a placeholder node is honoured; IsMatchEntireFolder looks
/// for exclusions up to the root and through the whole subtree of the folder, past NoInherit
/// nodes and placeholders. IsMatchPossibleInFolder answers true for a folder whose own node has
/// child nodes even when no content lies on its path, and IsIn of kind 4 (T) is true for a path
/// under no item. A "<M>" raw item names a literal path (the text after the context).
///
///   CFilterSet set;
///   CYqError err = set.AddFilterItem(BFilterNodeState::Filter, "/home");
///   err = set.AddFilterItem(BFilterNodeState::Exception, "*.tmp");
///   bool in = set.IsIn("/home/ann/a.doc");
class YQBASE_EXPORT CFilterSet {
 public:
  CFilterSet();
  ~CFilterSet();

  /// Adds a raw item: a wildcard item (CFilterTerm::IsWildcardItem) becomes a term on the node
  /// of its prefix, anything else a literal path whose node gets `state` (Exception wins over
  /// Filter, NoInherit stays) and `value`. `source` names where the item came from in the log.
  /// Fails with the term's load error, or "Container is write-protected".
  [[nodiscard]] CYqError AddFilterItem(BFilterNodeState state, const std::string& raw);
  [[nodiscard]] CYqError AddFilterItem(BFilterNodeState state, const std::string& raw,
                                       FVBasePtr value);
  [[nodiscard]] CYqError AddFilterItem(BFilterNodeState state, const std::string& raw,
                                       FVBasePtr value, const std::string& source);
  [[nodiscard]] CYqError AddFilterItem(BFilterNodeState state, CFilterTermPtr term);
  [[nodiscard]] CYqError AddFilterItem(BFilterNodeState state, CFilterTermPtr term,
                                       const std::string& source);
  /// Marks the node of exactly this path NoInherit; fails with Win32 1168 when it does not exist.
  [[nodiscard]] CYqError SetNoInherit(const std::string& path);

  /// Whether the path is in the set for items of `kind` (7 without one); `value` receives the
  /// value of the deciding item, or is emptied.
  bool IsIn(const std::string& path) const;
  bool IsIn(const std::string& path, FVBasePtr& value) const;
  bool IsIn(ENUM_FILTER_APPLIES kind, const std::string& path) const;
  bool IsIn(ENUM_FILTER_APPLIES kind, const std::string& path, FVBasePtr& value) const;
  bool IsIn(CFilterTermTestString& path) const;
  bool IsIn(CFilterTermTestString& path, FVBasePtr& value) const;
  bool IsIn(ENUM_FILTER_APPLIES kind, CFilterTermTestString& path) const;
  bool IsIn(ENUM_FILTER_APPLIES kind, CFilterTermTestString& path, FVBasePtr& value) const;

  /// Whether anything inside the folder may be in the set; false means it need not be read.
  bool IsMatchPossibleInFolder(const std::string& folder) const;
  bool IsMatchPossibleInFolder(CFilterTermTestString& folder) const;
  /// Whether everything inside the folder is in the set.
  bool IsMatchEntireFolder(const std::string& folder) const;
  bool IsMatchEntireFolder(CFilterTermTestString& folder) const;
  /// Whether the path itself or something inside it is in the set.
  bool IsPathOrChildInSubclientContent(const std::string& path) const;
  bool IsPathOrChildInSubclientContent(CFilterTermTestString& path) const;

  /// The deepest node with content on the path, with its state and value.
  EPathCacheResult Search(const std::string& path) const;
  EPathCacheResult Search(const std::string& path, BFilterNodeState& state, FVBasePtr& value) const;

  bool empty() const;
  [[nodiscard]] CYqError SetExposeRoot(bool expose);
  void SetWriteProtected(bool writeProtected);
  /// Escape character given to new terms (0: backslash).
  void SetPathMatchEscapeCharacter(int escape);
  /// Makes new wildcard terms case-blind.
  void SetUseInsensitiveFilterForWildCard(bool insensitive);
  bool IsUseInsensitiveFilterForWildCardSet() const;

  /// Walks the nodes (the root only when exposed); false when the callback stopped it.
  bool Walk(CPathCacheUnorderedTWalkCallback<CFilterNode>& callback) const;
  /// The top-level content: paths of the nodes with an include item or include terms that
  /// have no such node above them.
  void GetSurfaceList(std::list<std::string>& out) const;
  /// Writes "<identifier>||F||<path or raw term>||<value>" per include item and "||E||" per
  /// exclude item. Literal paths that would read as wildcard items are written as "<M>" items.
  /// Values are rendered by the function set with SetValueTextFunction, else left empty.
  [[nodiscard]] CYqError SerializeToFile(const std::string& identifier, FILE* file) const;
  /// Sets the process-wide renderer of item values for SerializeToFile; the serialization
  /// layer installs one for serialized contexts when the library loads.
  /// Returns the previous one.
  static CFilterValueTextFunction SetValueTextFunction(CFilterValueTextFunction function);
  /// Writes the diagnostic dump to the log at `level` when the writer's level and mask allow.
  void DumpToLog(DWORD mask, int level, const std::string& title) const;
  [[nodiscard]] CYqError DumpDiagnosticData(CLineWriterPtr writer, const std::string& title) const;
  [[nodiscard]] CYqError DumpSurfaceDiagnosticData(CLineWriterPtr writer,
                                                   const std::string& title) const;

 private:
  boost::shared_ptr<CFilterSetPrivate> m_private;
};
