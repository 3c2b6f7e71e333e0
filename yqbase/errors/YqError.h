// The result object returned by nearly every operation, and its chain of error items.
#pragma once

#include <boost/any.hpp>
#include <boost/shared_ptr.hpp>
#include <set>
#include <string>
#include <vector>

#include "yqbase/errors/YqExport.h"
#include "yqbase/errors/YqTypes.h"
#include "yqbase/strings/DisplayTable.h"

/// The three text forms of an error: a full back-trace for log files, and two one-line forms
/// for users (the first cause's message and code, with or without the caller's description).
class YQBASE_EXPORT EErrorOutputFormat : public CDisplayValue<CDisplayEnumBase> {
 public:
  enum Type : DWORD {
    LOGGING_FULL = 0,
    USER_SINGLE_LINE_CODE = 1,
    USER_SINGLE_LINE_DESCRIPTION_CODE = 2,
  };
  using CDisplayValue::CDisplayValue;

  YQ_DISPLAY_TYPE_RENDERERS;
};

/// Where an error item was made. An aggregate, so that it can be brace-initialised; the
/// strings are not copied and must live for the whole program (string literals and the
/// compiler's built-ins do).
struct YQBASE_EXPORT FXCodeLocation {
  const char* file;
  const char* function;
  int line;

  /// "Name(line)": the function's qualified name without return type and parameters, at most
  /// 255 characters in all.
  std::string AsString() const;
  /// Empty for USER_SINGLE_LINE_CODE, otherwise AsString().
  std::string AsString(EErrorOutputFormat format) const;

  /// The part of a source path below its last "yqbase/" folder, or the whole path.
  static constexpr const char* TrimSourcePath(const char* path) {
    const char* result = path;
    for (const char* p = path; *p != '\0'; ++p) {
      if (p[0] == 'y' && p[1] == 'q' && p[2] == 'b' && p[3] == 'a' && p[4] == 's' &&
          p[5] == 'e' && p[6] == '/')
        result = p + 7;
    }
    return result;
  }
};

/// The code location of the line where it is written.
#define YQ_LOC                                                                          \
  (FXCodeLocation{FXCodeLocation::TrimSourcePath(__FILE__), __PRETTY_FUNCTION__, __LINE__})

class FXErrorItem;
typedef boost::shared_ptr<FXErrorItem> FXErrorItemPtr;

/// One entry of an error chain: the location where it was made and parameters appended
/// afterwards. Items are shared between chains and are not changed once pushed, except that
/// parameters may be appended.
class YQBASE_EXPORT FXErrorItem {
 public:
  explicit FXErrorItem(const FXCodeLocation& location) : m_location(location) {}
  virtual ~FXErrorItem();

  /// The full text of the item; for a plain item its location text.
  virtual std::string AsString() const;
  /// The text in an output format: empty for USER_SINGLE_LINE_CODE, otherwise AsString().
  virtual std::string AsString(EErrorOutputFormat format) const;
  /// A new item of the same type, or null when it cannot be allocated.
  virtual FXErrorItemPtr Copy() const;

  /// Appends a copy of `value` to the parameters.
  FXErrorItem& operator<<(const boost::any& value);

  const FXCodeLocation& GetLocation() const { return m_location; }
  const std::vector<boost::any>& GetParameters() const { return m_parameters; }

 protected:
  FXCodeLocation m_location;
  std::vector<boost::any> m_parameters;
};

/// An untyped item with a caller's text, rendered "Name(line)/description".
class YQBASE_EXPORT FXErrorItemDescription : public FXErrorItem {
 public:
  FXErrorItemDescription(const FXCodeLocation& location, const std::string& description)
      : FXErrorItem(location), m_description(description) {}
  ~FXErrorItemDescription() override;

  std::string AsString() const override;
  using FXErrorItem::AsString;
  /// Copies location and description, not the parameters.
  FXErrorItemPtr Copy() const override;

  const std::string& GetDescription() const { return m_description; }

 protected:
  std::string m_description;
};

class FXErrorPrivate;

/// The result of an operation: an HRESULT-shaped code (negative means failure) and, only when
/// something failed, a chain of error items from the outermost caller to the first cause.
///
/// Success is code 0 with no chain and costs no allocation. Copies share the chain, so a push
/// through one copy is seen by all of them; Copy() makes an independent deep copy. One thread
/// owns a value at a time; copies in several threads may read a shared chain.
///
///   CYqError err = OpenCatalogue(path);
///   if (err.Failed()) return err.Push(YQ_LOC, "opening %s", path.c_str());
class YQBASE_EXPORT CYqError {
 public:
  /// Success.
  CYqError() noexcept : m_code(0), m_chain(nullptr) {}
  /// A bare code without a chain.
  explicit CYqError(HRESULT code) noexcept : m_code(code), m_chain(nullptr) {}
  /// The code with a new chain holding `item`; a null item leaves the chain empty.
  CYqError(HRESULT code, FXErrorItemPtr item);

  CYqError(const CYqError& other) noexcept : m_code(other.m_code), m_chain(other.m_chain) {
    if (m_chain != nullptr) AddRef(m_chain);
  }
  CYqError(CYqError&& other) noexcept : m_code(other.m_code), m_chain(other.m_chain) {
    other.m_chain = nullptr;
  }
  CYqError& operator=(const CYqError& other) noexcept {
    CYqError(other).Swap(*this);
    return *this;
  }
  CYqError& operator=(CYqError&& other) noexcept {
    CYqError(static_cast<CYqError&&>(other)).Swap(*this);
    return *this;
  }
  ~CYqError() {
    if (m_chain != nullptr) Release(m_chain);
  }

  HRESULT GetCode() const { return m_code; }
  bool Failed() const { return m_code < 0; }
  bool Succeeded() const { return m_code >= 0; }

  /// Inserts `item` at the front of the chain, creating the chain if needed; the code is kept.
  CYqError& Push(FXErrorItemPtr item);
  /// Pushes a plain item naming the caller's location.
  CYqError& Push(const FXCodeLocation& location);
  /// Pushes a description item with the formatted text; a text that does not fit is kept
  /// behind "[BUFFEROVERFLOW] ".
  CYqError& Push(const FXCodeLocation& location, const char* format, ...) YQBASE_PRINTF(3, 4);

  /// Appends `value` to the parameters of the newest item; does nothing without an item.
  CYqError& operator<<(const boost::any& value);

  /// Whether the code matches `other` directly or through the equivalence groups.
  bool Is(HRESULT other) const;
  bool IsNot(HRESULT other) const { return !Is(other); }

  /// An independent copy: same code, a new chain with copies of the items in the same order.
  CYqError Copy() const;

  /// "Success", "0x%X", or "0x%X:" followed by the chain as "{item} + {item}".
  std::string AsString() const;
  std::string AsString(EErrorOutputFormat format) const;

  /// The items from the newest to the first cause (empty without a chain).
  std::vector<FXErrorItemPtr> GetItems() const;

  void Swap(CYqError& other) noexcept {
    HRESULT code = m_code;
    m_code = other.m_code;
    other.m_code = code;
    FXErrorPrivate* chain = m_chain;
    m_chain = other.m_chain;
    other.m_chain = chain;
  }

 private:
  friend class CYqErrorBroker;
  static void AddRef(FXErrorPrivate* chain) noexcept;
  static void Release(FXErrorPrivate* chain) noexcept;
  // Creates the chain if there is none; false when it cannot be allocated.
  bool EnsureChain();

  HRESULT m_code;
  FXErrorPrivate* m_chain;  // intrusively counted; null for success and bare codes
};

/// Access to the parameters that travel with an error.
class YQBASE_EXPORT CYqErrorBroker {
 public:
  /// The parameters of the first cause (the oldest item), or an empty vector.
  static const std::vector<boost::any>& GetParameters(const CYqError& error);

 private:
  static const std::vector<boost::any> s_vecEmpty;
};
