#include <cstring>

#include "include/internal/cef_types_wrappers.h"

CefSettings::CefSettings() {
    // The record mirrors the engine's C settings structure: every member starts zero or empty.
    std::memset(static_cast<void *>(this), 0, sizeof *this);
    size = sizeof *this;
}

CefSettings::~CefSettings() {
    for (cef_string_t *str :
         {&browser_subprocess_path, &cache_path, &root_cache_path, &user_data_path, &user_agent,
          &product_version, &locale, &log_file, &javascript_flags, &accept_language_list}) {
        cef_string_utf16_clear(str);
    }
}
