// The engine's string type: UTF-16 text, filled from UTF-8 or ASCII and read back as UTF-8.
#ifndef ENGINE_INCLUDE_INTERNAL_CEF_STRING_H_
#define ENGINE_INCLUDE_INTERNAL_CEF_STRING_H_

#include <cstddef>
#include <string>

typedef char16_t char16;

// The C form used inside settings records. A string owns its buffer when dtor is set.
typedef struct _cef_string_utf16_t {
    char16 *str;
    size_t length;
    void (*dtor)(char16 *str);
} cef_string_utf16_t;

typedef cef_string_utf16_t cef_string_t;

// Sets output to src_len code units of src; with copy the output owns a copy, otherwise it points
// at src. Returns 1 on success.
int cef_string_utf16_set(const char16 *src, size_t src_len, cef_string_utf16_t *output, int copy);
// Replaces output with the UTF-16 form of src_len ASCII characters. Returns 1 on success.
int cef_string_ascii_to_utf16(const char *src, size_t src_len, cef_string_utf16_t *output);
// Frees what output owns and leaves it empty.
void cef_string_utf16_clear(cef_string_utf16_t *output);

class CefString {
public:
    CefString() = default;
    CefString(const char *utf8);
    CefString(const std::string &utf8);
    CefString(const char16 *utf16);
    CefString(const std::u16string &utf16);
    CefString(const cef_string_t *str);

    // UTF-8 form of the text; invalid UTF-16 becomes U+FFFD.
    std::string ToString() const;
    std::u16string ToString16() const { return value_; }

    bool FromASCII(const char *ascii);
    void FromString(const std::string &utf8);

    const char16 *c_str() const { return value_.c_str(); }
    size_t length() const { return value_.length(); }
    size_t size() const { return value_.size(); }
    bool empty() const { return value_.empty(); }
    void clear() { value_.clear(); }

    bool operator==(const CefString &other) const { return value_ == other.value_; }
    bool operator!=(const CefString &other) const { return value_ != other.value_; }
    bool operator<(const CefString &other) const { return value_ < other.value_; }

private:
    std::u16string value_;
};

#endif  // ENGINE_INCLUDE_INTERNAL_CEF_STRING_H_
