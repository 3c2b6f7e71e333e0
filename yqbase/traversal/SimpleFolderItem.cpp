// CSimpleFolderItem's attribute tests and generic properties, and the base filter and callback.
#include "yqbase/traversal/SimpleFolderItem.h"

#include <cstring>

#include "yqbase/errors/ErrorUtil.h"

namespace {

constexpr DWORD kNotFound = 1168;  // ERROR_NOT_FOUND

// The generic property names and how an item answers each.
struct SProperty {
  const char* name;
  boost::any (*get)(CSimpleFolderItem&);
};

const SProperty kProperties[] = {
    {"ItemName", [](CSimpleFolderItem& i) { return boost::any(i.GetItemName()); }},
    {"FullyQualifiedItemName",
     [](CSimpleFolderItem& i) { return boost::any(i.GetFullyQualifiedItemName()); }},
    {"Attributes", [](CSimpleFolderItem& i) { return boost::any(i.GetAttributes()); }},
    {"Size", [](CSimpleFolderItem& i) { return boost::any(i.GetSize()); }},
    {"CreationTime", [](CSimpleFolderItem& i) { return boost::any(i.GetCreationTime()); }},
    {"LastWriteTime", [](CSimpleFolderItem& i) { return boost::any(i.GetLastWriteTime()); }},
    {"LastAccessTime", [](CSimpleFolderItem& i) { return boost::any(i.GetLastAccessTime()); }},
    {"ChangeTime", [](CSimpleFolderItem& i) { return boost::any(i.GetChangeTime()); }},
    {"ReparseTag", [](CSimpleFolderItem& i) { return boost::any(i.GetReparseTag()); }},
};

const SProperty* FindProperty(const char* name) {
  if (name == nullptr) return nullptr;
  for (const SProperty& property : kProperties) {
    if (std::strcmp(property.name, name) == 0) return &property;
  }
  return nullptr;
}

}  // namespace

CSimpleFolderItem::~CSimpleFolderItem() = default;

bool CSimpleFolderItem::IsFolder() {
  return (GetAttributes() & BFileAttributesWindows::DIRECTORY) != 0;
}

bool CSimpleFolderItem::IsReadOnly() {
  return (GetAttributes() & BFileAttributesWindows::READONLY) != 0;
}

bool CSimpleFolderItem::IsReparsePoint() { return (GetAttributes() & 0x400u) != 0; }

bool CSimpleFolderItem::IsHidden() {
  return (GetAttributes() & BFileAttributesWindows::HIDDEN) != 0;
}

bool CSimpleFolderItem::IsSystem() {
  return (GetAttributes() & BFileAttributesWindows::SYSTEM) != 0;
}

EReparseTag CSimpleFolderItem::GetReparseTag() { return EReparseTag(EReparseTag::None); }

bool CSimpleFolderItem::Has(std::uint64_t, std::uint64_t) { return false; }

bool CSimpleFolderItem::Has(const char* name, std::uint64_t) {
  return FindProperty(name) != nullptr;
}

boost::any CSimpleFolderItem::GetAny(std::uint64_t id, std::uint64_t flags) {
  boost::any value;
  return GetValue(id, value, flags).Succeeded() ? value : boost::any();
}

boost::any CSimpleFolderItem::GetAny(const char* name, std::uint64_t flags) {
  boost::any value;
  return GetValue(name, value, flags).Succeeded() ? value : boost::any();
}

CYqError CSimpleFolderItem::GetValue(std::uint64_t id, boost::any&, std::uint64_t) {
  return FXErrorUtil::ErrorWin32(YQ_LOC, kNotFound, "ItemId=[%llu]",
                                 static_cast<unsigned long long>(id));
}

CYqError CSimpleFolderItem::GetValue(const char* name, boost::any& value, std::uint64_t) {
  const SProperty* property = FindProperty(name);
  if (property == nullptr)
    return FXErrorUtil::ErrorWin32(YQ_LOC, kNotFound, "ItemId=[%s]", name != nullptr ? name : "");
  value = property->get(*this);
  return CYqError();
}

CSimpleFolderItemFilter::~CSimpleFolderItemFilter() = default;

bool CSimpleFolderItemFilter::IsSelected(const CSimpleFolderItemPtr&) { return true; }

CSimpleFolderFilterByItemName::CSimpleFolderFilterByItemName(const CFilterTermPtr& term)
    : m_term(term) {}

bool CSimpleFolderFilterByItemName::IsSelected(const CSimpleFolderItemPtr& item) {
  return m_term && item && m_term->Matches(item->GetItemName());
}

CSimpleFolderIteratorCallback::~CSimpleFolderIteratorCallback() = default;

CYqError CSimpleFolderIteratorCallback::OnQueryIterateFolderContents(const CSimpleFolderItemPtr&,
                                                                     bool&, FVBasePtr&) {
  return CYqError();
}
