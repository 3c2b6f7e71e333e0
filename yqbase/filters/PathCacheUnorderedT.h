// CPathCacheUnorderedT: a tree with one node per path component, carrying a payload per node.
#pragma once

#include <algorithm>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>
#include <string>
#include <unordered_map>
#include <vector>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/strings/DisplayTypes.h"

/// One node: its component name, flags ("ContentPresent" when the payload carries content
/// rather than only being a step on a path), the payload, children by name and its parent.
template <class T>
class CPathCacheUnorderedTNode {
 public:
  typedef boost::shared_ptr<CPathCacheUnorderedTNode> Ptr;

  bool HasContent() const { return (flags & BPathCacheNodeFlags::ContentPresent) != 0; }
  /// The parent, or null for the root. Parents own their children, so it outlives this node.
  CPathCacheUnorderedTNode* Parent() const { return parentRaw; }
  /// The path from the root, components joined and led by `delimiter` ("" for the root).
  std::string Path(char delimiter) const {
    std::vector<const std::string*> names;
    for (const CPathCacheUnorderedTNode* n = this; n->parentRaw != nullptr; n = n->parentRaw)
      names.push_back(&n->name);
    std::string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) path += delimiter + **it;
    return path;
  }
  /// The children ordered by name, for stable walks and dumps.
  std::vector<Ptr> SortedChildren() const {
    std::vector<Ptr> sorted;
    for (const auto& child : children) sorted.push_back(child.second);
    std::sort(sorted.begin(), sorted.end(),
              [](const Ptr& a, const Ptr& b) { return a->name < b->name; });
    return sorted;
  }

  std::string name;
  BPathCacheNodeFlags flags;
  T data;
  std::unordered_map<std::string, Ptr> children;
  boost::weak_ptr<CPathCacheUnorderedTNode> parent;
  CPathCacheUnorderedTNode* parentRaw = nullptr;
};

/// Receives the nodes of a walk.
template <class T>
class CPathCacheUnorderedTWalkCallback {
 public:
  virtual ~CPathCacheUnorderedTWalkCallback() {}
  /// Called parents first, children in name order; `depth` is 0 for the root. Returns false to
  /// stop the walk.
  virtual bool OnNode(const std::string& path, CPathCacheUnorderedTNode<T>& node, int depth) = 0;
};

/// The tree. Paths are split at the delimiter and empty components are skipped, so "/a//b/"
/// and "a/b" name the same node. Filled by one thread, then read by any number; a
/// write-protected tree refuses every change.
template <class T>
class CPathCacheUnorderedT {
 public:
  typedef CPathCacheUnorderedTNode<T> Node;
  typedef typename Node::Ptr NodePtr;

  CPathCacheUnorderedT() : m_root(boost::make_shared<Node>()) {}

  char GetDelimiter() const { return m_delimiter; }
  [[nodiscard]] CYqError SetDelimiter(char delimiter) {
    if (m_writeProtected) return WriteProtected(YQ_LOC);
    m_delimiter = delimiter;
    return CYqError();
  }
  /// Whether walks report the root node itself.
  [[nodiscard]] CYqError SetExposeRoot(bool expose) {
    if (m_writeProtected) return WriteProtected(YQ_LOC);
    m_exposeRoot = expose;
    return CYqError();
  }
  void SetWriteProtected(bool writeProtected) { m_writeProtected = writeProtected; }
  bool IsWriteProtected() const { return m_writeProtected; }

  Node& Root() const { return *m_root; }
  bool empty() const { return m_root->children.empty() && !m_root->HasContent(); }

  /// The deepest node that exists on the path (the root at least), and whether it is the
  /// path's own node.
  Node* Deepest(const std::string& path, bool* own) const {
    Node* node = m_root.get();
    static thread_local std::string key;  // keeps its capacity between look-ups
    const char* p = path.c_str();
    const char* end = p + path.size();
    *own = true;
    while (p < end) {
      while (p < end && *p == m_delimiter) ++p;
      const char* start = p;
      while (p < end && *p != m_delimiter) ++p;
      if (p == start) break;
      key.assign(start, p - start);
      auto it = node->children.find(key);
      if (it == node->children.end()) {
        *own = false;
        return node;
      }
      node = it->second.get();
    }
    return node;
  }

  /// The deepest node with content on the path: FOUND for the path's own node, PARENT_FOUND
  /// for its parent, ANCESTOR_FOUND higher up, NOT_FOUND (null) when there is none.
  EPathCacheResult Search(const std::string& path, Node** found) const {
    bool own = false;
    Node* deepest = Deepest(path, &own);
    int up = own ? 0 : 1;
    if (!own) {
      // Count the missing components between the deepest node and the path's own place.
      up = MissingComponents(path, deepest);
    }
    for (Node* n = deepest; n != nullptr; n = n->parentRaw, ++up) {
      if (!n->HasContent()) continue;
      *found = n;
      return up == 0   ? EPathCacheResult::FOUND
             : up == 1 ? EPathCacheResult::PARENT_FOUND
                       : EPathCacheResult::ANCESTOR_FOUND;
    }
    *found = nullptr;
    return EPathCacheResult::NOT_FOUND;
  }

  /// The path's own node, created with its missing ancestors when needed. Fails with
  /// "Container is write-protected".
  [[nodiscard]] CYqError SearchOrInsert(const std::string& path, NodePtr& out) {
    if (m_writeProtected) return WriteProtected(YQ_LOC);
    NodePtr node = m_root;
    size_t p = 0;
    while (p < path.size()) {
      while (p < path.size() && path[p] == m_delimiter) ++p;
      const size_t start = p;
      while (p < path.size() && path[p] != m_delimiter) ++p;
      if (p == start) break;
      const std::string key = path.substr(start, p - start);
      NodePtr& child = node->children[key];
      if (!child) {
        child = boost::make_shared<Node>();
        child->name = key;
        child->parent = node;
        child->parentRaw = node.get();
      }
      node = child;
    }
    out = node;
    return CYqError();
  }

  /// Walks the tree depth-first (the root only when exposed); false when the callback stopped.
  bool Walk(CPathCacheUnorderedTWalkCallback<T>& callback) const {
    return WalkFrom(*m_root, std::string(), 0, m_exposeRoot, callback);
  }
  /// The same, always including the root.
  bool WalkAll(CPathCacheUnorderedTWalkCallback<T>& callback) const {
    return WalkFrom(*m_root, std::string(), 0, true, callback);
  }

 private:
  static CYqError WriteProtected(const FXCodeLocation& location) {
    return FXErrorUtil::ErrorWin32(location, 19, "Container is write-protected");
  }

  int MissingComponents(const std::string& path, const Node* deepest) const {
    int depth = 0;
    for (const Node* n = deepest; n->parentRaw != nullptr; n = n->parentRaw) ++depth;
    int components = 0;
    for (size_t p = 0; p < path.size();) {
      while (p < path.size() && path[p] == m_delimiter) ++p;
      if (p == path.size()) break;
      ++components;
      while (p < path.size() && path[p] != m_delimiter) ++p;
    }
    return components - depth;
  }

  bool WalkFrom(Node& node, const std::string& path, int depth, bool report,
                CPathCacheUnorderedTWalkCallback<T>& callback) const {
    if (report && !callback.OnNode(path.empty() ? std::string(1, m_delimiter) : path, node, depth))
      return false;
    for (const NodePtr& child : node.SortedChildren())
      if (!WalkFrom(*child, path + m_delimiter + child->name, depth + 1, true, callback))
        return false;
    return true;
  }

  NodePtr m_root;
  char m_delimiter = '/';
  bool m_exposeRoot = false;
  bool m_writeProtected = false;
};
