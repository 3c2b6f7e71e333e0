// The common shape of the typed error items: a native code beside the code location, and a
// description companion that adds a caller's text.
#pragma once

#include <string>

#include "yqbase/errors/ErrorUtil.h"
#include "yqbase/errors/YqError.h"

/// Base of the item class `Item` of one code kind, holding its native code of type `Code`.
/// `Item` supplies the kind's texts as two const members: `DetailText()`, the full text after
/// the location, and `LineText(description)`, the one-line text, with the caller's description
/// when it is not null. LOGGING_FULL (and any unknown format) renders the full text, the two
/// one-line formats render LineText(nullptr). Copies keep location and code.
template <class Item, typename Code>
class YQBASE_EXPORT FXErrorItemTyped : public FXErrorItem {
 public:
  typedef Code CodeType;

  FXErrorItemTyped(const FXCodeLocation& location, Code code)
      : FXErrorItem(location), m_code(code) {}

  std::string AsString() const override { return m_location.AsString() + Self().DetailText(); }
  std::string AsString(EErrorOutputFormat format) const override {
    if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE ||
        format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE)
      return Self().LineText(nullptr);
    return AsString();
  }
  FXErrorItemPtr Copy() const override { return FXErrorUtil::MakeItem<Item>(m_location, m_code); }

  Code GetCode() const { return m_code; }

 protected:
  const Item& Self() const { return static_cast<const Item&>(*this); }

  Code m_code;
};

/// The description class of a kind whose item class is `Item`. The full text
/// is the item's, "-", then the description; USER_SINGLE_LINE_CODE renders like the item, and
/// USER_SINGLE_LINE_DESCRIPTION_CODE shows the description too. Copies keep location, code and
/// description (not the parameters).
template <class Item>
class YQBASE_EXPORT FXErrorItemTypedDescription : public Item {
 public:
  FXErrorItemTypedDescription(const FXCodeLocation& location, typename Item::CodeType code,
                              const std::string& description)
      : Item(location, code), m_description(description) {}

  std::string AsString() const override { return Item::AsString() + "-" + m_description; }
  std::string AsString(EErrorOutputFormat format) const override {
    if (format == EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE)
      return this->LineText(&m_description);
    if (format == EErrorOutputFormat::USER_SINGLE_LINE_CODE) return Item::AsString(format);
    return AsString();
  }
  FXErrorItemPtr Copy() const override {
    return FXErrorUtil::MakeItem<FXErrorItemTypedDescription>(this->m_location, this->m_code,
                                                              m_description);
  }

  const std::string& GetDescription() const { return m_description; }

 protected:
  std::string m_description;
};
