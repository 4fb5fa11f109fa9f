// Records the program fills in for the engine: start-up arguments, global settings, window
// descriptions and per-browser settings.
#ifndef ENGINE_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#define ENGINE_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// The process's own arguments, from which the engine reads its role and its switches.
struct CefMainArgs {
    CefMainArgs() = default;
    CefMainArgs(int arg_count, char **arg_values) : argc(arg_count), argv(arg_values) {}
    int argc = 0;
    char **argv = nullptr;
};

// Global engine settings. A default-constructed record is zero-filled with its size set; strings
// it holds are freed when it is destroyed.
struct CefSettings {
    CefSettings();
    ~CefSettings();
    CefSettings(const CefSettings &) = delete;
    CefSettings &operator=(const CefSettings &) = delete;

    size_t size;
    int no_sandbox;
    cef_string_t browser_subprocess_path;
    int multi_threaded_message_loop;
    int external_message_pump;
    int windowless_rendering_enabled;
    int command_line_args_disabled;
    cef_string_t cache_path;
    cef_string_t root_cache_path;
    cef_string_t user_data_path;
    int persist_session_cookies;
    int persist_user_preferences;
    cef_string_t user_agent;
    cef_string_t product_version;
    cef_string_t locale;
    cef_string_t log_file;
    cef_log_severity_t log_severity;
    cef_string_t javascript_flags;
    int remote_debugging_port;
    int ignore_certificate_errors;
    cef_string_t accept_language_list;
};

// Where and how a browser window is created.
struct CefWindowInfo {
    uint32 ex_style = 0;
    CefString window_name;
    uint32 style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    CefWindowHandle parent_window = 0;
    void *menu = nullptr;
    int windowless_rendering_enabled = 0;
    int shared_texture_enabled = 0;
    int external_begin_frame_enabled = 0;
    // The browser's own window, filled in by the engine.
    CefWindowHandle window = 0;

    // A visible child window of parent, at rect in the parent's coordinates.
    void SetAsChild(CefWindowHandle parent, const CefRect &rect) {
        style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP | WS_VISIBLE;
        parent_window = parent;
        x = rect.x;
        y = rect.y;
        width = rect.width;
        height = rect.height;
    }

    // A top-level window titled window_name, placed and sized by the window system.
    void SetAsPopup(CefWindowHandle parent, const CefString &name) {
        style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
        parent_window = parent;
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
        width = CW_USEDEFAULT;
        height = CW_USEDEFAULT;
        window_name = name;
    }
};

// The operating system's own record of an input event. This engine has none to give and passes
// null.
struct tagMSG;
typedef tagMSG *cef_event_handle_t;
typedef cef_event_handle_t CefEventHandle;

// A key as the engine reports it: windows_key_code is a Windows virtual-key code (letters and
// digits by their upper-case character), modifiers are EVENTFLAG_* bits.
struct CefKeyEvent {
    KeyEventType type = KEYEVENT_RAWKEYDOWN;
    uint32 modifiers = 0;
    int windows_key_code = 0;
    int native_key_code = 0;
    int is_system_key = 0;
    char16 character = 0;
    char16 unmodified_character = 0;
    int focus_on_editable_field = 0;
};

// Per-browser settings; STATE_DEFAULT everywhere leaves each to the engine.
struct CefBrowserSettings {
    size_t size = sizeof(CefBrowserSettings);
    int windowless_frame_rate = 0;
    cef_state_t javascript = STATE_DEFAULT;
    cef_state_t javascript_close_windows = STATE_DEFAULT;
    cef_state_t javascript_access_clipboard = STATE_DEFAULT;
    cef_state_t plugins = STATE_DEFAULT;
    cef_state_t image_loading = STATE_DEFAULT;
    cef_state_t local_storage = STATE_DEFAULT;
    cef_state_t webgl = STATE_DEFAULT;
    // The view's colour until its first document has loaded; with an alpha of 0 the engine's own.
    cef_color_t background_color = 0;
};

#endif  // ENGINE_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
