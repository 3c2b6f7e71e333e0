// The tokenizer shared by FXString's splitting functions and CYqString::Tokenize.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace yq_strings_private {

/// How TokenizeText cuts a text. A NUL character in any role is ignored.
template <typename C>
struct STokenRules {
  std::basic_string_view<C> delimiters;  // any of these ends a token outside quotes
  std::basic_string_view<C> quotes;      // any of these opens a run closed by the same one
  C escape;                              // NUL: no escape character
  bool keepEmpty;                        // keep the empty tokens between delimiters
};

/// Cuts `text` into tokens and hands each to `emit` as a std::basic_string<C>.
///
/// Rules: outside a quoted run a delimiter ends the token. A quote character opens a run that
/// the same character closes; inside it delimiters and other quotes are ordinary text, and the
/// quote characters themselves are dropped. An unclosed run lasts to the end of the text. The
/// escape character followed by a delimiter, a quote or another escape stands for that
/// character; before anything else it is ordinary text (so paths keep their backslashes).
/// Empty tokens are kept only with `keepEmpty`, except that a token written as quotes ("")
/// always stays. An empty text gives no tokens.
template <typename C, typename Emit>
void TokenizeText(std::basic_string_view<C> text, const STokenRules<C>& rules, Emit&& emit) {
  const auto isIn = [](std::basic_string_view<C> set, C c) {
    return c != C() && set.find(c) != std::basic_string_view<C>::npos;
  };
  std::basic_string<C> token;
  bool quoted = false;  // the current token holds a quoted run, so it stays even when empty
  bool cut = false;     // some delimiter has been seen
  C open = C();         // the quote that opened the current run, NUL outside runs
  for (size_t i = 0; i < text.size(); ++i) {
    const C c = text[i];
    if (c == rules.escape && c != C() && i + 1 < text.size()) {
      const C next = text[i + 1];
      if (next == c || isIn(rules.quotes, next) || isIn(rules.delimiters, next)) {
        token.push_back(next);
        ++i;
        continue;
      }
    }
    if (open != C()) {
      if (c == open)
        open = C();
      else
        token.push_back(c);
    } else if (isIn(rules.quotes, c)) {
      open = c;
      quoted = true;
    } else if (isIn(rules.delimiters, c)) {
      cut = true;
      if (!token.empty() || quoted || rules.keepEmpty) emit(std::move(token));
      token.clear();
      quoted = false;
    } else {
      token.push_back(c);
    }
  }
  if (!token.empty() || quoted || (rules.keepEmpty && cut)) emit(std::move(token));
}

}  // namespace yq_strings_private
