// CSimpleFolderItem, one folder entry with lazily fetched details and generic properties, and
// the filter and callback objects of the folder iterators.
#pragma once

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>
#include <cstdint>
#include <string>

#include "yqbase/errors/FVBase.h"
#include "yqbase/errors/YqError.h"
#include "yqbase/filters/FilterTerm.h"
#include "yqbase/strings/DisplayTypes.h"
#include "yqbase/time/TimeStamp.h"

/// One entry of a folder: its name at once, its attributes, size and times on first request.
/// Properties can also be read by name ("ItemName", "Size", ...) as boost::any values. Items
/// are shared by pointer and belong to the thread of the iterator that made them; they stay
/// readable after the iterator has moved on.
class YQBASE_EXPORT CSimpleFolderItem {
 public:
  /// The context given to the iterator's Open.
  virtual FVBasePtr GetContext() const = 0;
  /// The entry name in UTF-8.
  virtual std::string GetItemName() = 0;
  /// The iterator's folder joined with the name.
  virtual std::string GetFullyQualifiedItemName() = 0;
  virtual BFileAttributesWindows GetAttributes() = 0;
  /// Attribute tests: 0x10 folder, 0x1 read-only, 0x400 reparse point (a symbolic link),
  /// 0x2 hidden, 0x4 system.
  virtual bool IsFolder();
  virtual bool IsReadOnly();
  virtual bool IsReparsePoint();
  virtual bool IsHidden();
  virtual bool IsSystem();
  virtual std::uint64_t GetSize() = 0;
  virtual CTimeStamp GetCreationTime() = 0;
  virtual CTimeStamp GetLastWriteTime() = 0;
  virtual CTimeStamp GetLastAccessTime() = 0;
  virtual CTimeStamp GetChangeTime() = 0;
  /// Always None here.
  virtual EReparseTag GetReparseTag();
  /// Whether a property is offered; numeric ids offer none.
  virtual bool Has(std::uint64_t id, std::uint64_t flags);
  virtual bool Has(const char* name, std::uint64_t flags);
  /// The property's value, or an empty any.
  virtual boost::any GetAny(std::uint64_t id, std::uint64_t flags);
  virtual boost::any GetAny(const char* name, std::uint64_t flags);
  /// The property's value; Win32 1168 "ItemId=[...]" for a property not offered.
  [[nodiscard]] virtual CYqError GetValue(std::uint64_t id, boost::any& value, std::uint64_t flags);
  [[nodiscard]] virtual CYqError GetValue(const char* name, boost::any& value, std::uint64_t flags);
  virtual ~CSimpleFolderItem();
};

typedef boost::shared_ptr<CSimpleFolderItem> CSimpleFolderItemPtr;

/// Selects the items an iterator returns; this base selects every item.
class YQBASE_EXPORT CSimpleFolderItemFilter {
 public:
  virtual ~CSimpleFolderItemFilter();
  virtual bool IsSelected(const CSimpleFolderItemPtr& item);
};

typedef boost::shared_ptr<CSimpleFolderItemFilter> CSimpleFolderItemFilterPtr;

/// Selects the items whose name the filter term matches.
class YQBASE_EXPORT CSimpleFolderFilterByItemName : public CSimpleFolderItemFilter {
 public:
  explicit CSimpleFolderFilterByItemName(const CFilterTermPtr& term);
  bool IsSelected(const CSimpleFolderItemPtr& item) override;

 private:
  CFilterTermPtr m_term;
};

/// Asked by the tree iterator, for each folder item, whether its contents follow (`iterate`,
/// true on entry) and with which context (in and out). The default changes nothing.
class YQBASE_EXPORT CSimpleFolderIteratorCallback {
 public:
  virtual ~CSimpleFolderIteratorCallback();
  virtual CYqError OnQueryIterateFolderContents(const CSimpleFolderItemPtr& item, bool& iterate,
                                                FVBasePtr& context);
};
