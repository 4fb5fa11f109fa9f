#ifndef TEXT_UTF8_H_
#define TEXT_UTF8_H_

#include <cstddef>

namespace text {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the UTF-8 sequence that starts at bytes[pos] and advances pos past it. Whatever is
// not a well-formed sequence (a stray or invalid byte, an overlong form, a surrogate, a value
// above U+10FFFF, a sequence cut short) yields one U+FFFD for its longest well-formed beginning,
// or for one byte when there is none; decoding always makes progress and never yields a value
// that is not a character.
char32_t nextCodePoint(const char *bytes, std::size_t length, std::size_t &pos);

}  // namespace text

#endif  // TEXT_UTF8_H_
