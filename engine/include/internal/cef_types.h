// Constants and small value types of the browser-engine API.
//
// The values are the engine's own public ones, so program code written against them keeps its
// meaning with any backend.
#ifndef ENGINE_INCLUDE_INTERNAL_CEF_TYPES_H_
#define ENGINE_INCLUDE_INTERNAL_CEF_TYPES_H_

#include <cstddef>
#include <cstdint>

typedef std::int64_t int64;
typedef std::uint32_t uint32;

// A colour as 32-bit ARGB.
typedef uint32 cef_color_t;
#define CefColorGetA(color) (((color) >> 24) & 0xFF)
#define CefColorSetARGB(a, r, g, b)                                                           \
    static_cast<cef_color_t>((unsigned(a) << 24) | (unsigned(r) << 16) | (unsigned(g) << 8) | \
                             unsigned(b))
typedef std::uint64_t uint64;

// A native window: an HWND on Windows, an X11 window id on Linux. Stored as an integer so the
// same declarations serve both systems.
typedef std::uintptr_t cef_window_handle_t;
typedef cef_window_handle_t CefWindowHandle;

typedef enum {
    LOGSEVERITY_DEFAULT = 0,
    LOGSEVERITY_VERBOSE = 1,
    LOGSEVERITY_DEBUG = LOGSEVERITY_VERBOSE,
    LOGSEVERITY_INFO = 2,
    LOGSEVERITY_WARNING = 3,
    LOGSEVERITY_ERROR = 4,
    LOGSEVERITY_FATAL = 5,
    LOGSEVERITY_DISABLE = 99,
} cef_log_severity_t;

typedef enum {
    WOD_UNKNOWN = 0,
    WOD_CURRENT_TAB = 1,
    WOD_SINGLETON_TAB = 2,
    WOD_NEW_FOREGROUND_TAB = 3,
    WOD_NEW_BACKGROUND_TAB = 4,
    WOD_NEW_POPUP = 5,
    WOD_NEW_WINDOW = 6,
    WOD_SAVE_TO_DISK = 7,
    WOD_OFF_THE_RECORD = 8,
    WOD_IGNORE_ACTION = 9,
} cef_window_open_disposition_t;

typedef enum {
    CM_TYPEFLAG_NONE = 0,
    CM_TYPEFLAG_PAGE = 1 << 0,
    CM_TYPEFLAG_FRAME = 1 << 1,
    CM_TYPEFLAG_LINK = 1 << 2,
    CM_TYPEFLAG_MEDIA = 1 << 3,
    CM_TYPEFLAG_SELECTION = 1 << 4,
    CM_TYPEFLAG_EDITABLE = 1 << 5,
} cef_context_menu_type_flags_t;

typedef enum {
    CM_MEDIATYPE_NONE = 0,
    CM_MEDIATYPE_IMAGE,
    CM_MEDIATYPE_VIDEO,
    CM_MEDIATYPE_AUDIO,
    CM_MEDIATYPE_FILE,
    CM_MEDIATYPE_PLUGIN,
} cef_context_menu_media_type_t;

typedef enum {
    MENU_ID_BACK = 100,
    MENU_ID_FORWARD = 101,
    MENU_ID_RELOAD = 102,
    MENU_ID_RELOAD_NOCACHE = 103,
    MENU_ID_STOPLOAD = 104,
    MENU_ID_UNDO = 110,
    MENU_ID_REDO = 111,
    MENU_ID_CUT = 112,
    MENU_ID_COPY = 113,
    MENU_ID_PASTE = 114,
    MENU_ID_DELETE = 115,
    MENU_ID_SELECT_ALL = 116,
    MENU_ID_FIND = 130,
    MENU_ID_PRINT = 131,
    MENU_ID_VIEW_SOURCE = 132,
    MENU_ID_USER_FIRST = 26500,
    MENU_ID_USER_LAST = 28500,
} cef_menu_id_t;

typedef enum {
    MENUITEMTYPE_NONE = 0,
    MENUITEMTYPE_COMMAND,
    MENUITEMTYPE_CHECK,
    MENUITEMTYPE_RADIO,
    MENUITEMTYPE_SEPARATOR,
    MENUITEMTYPE_SUBMENU,
} cef_menu_item_type_t;

typedef enum {
    EVENTFLAG_NONE = 0,
    EVENTFLAG_CAPS_LOCK_ON = 1 << 0,
    EVENTFLAG_SHIFT_DOWN = 1 << 1,
    EVENTFLAG_CONTROL_DOWN = 1 << 2,
    EVENTFLAG_ALT_DOWN = 1 << 3,
    EVENTFLAG_LEFT_MOUSE_BUTTON = 1 << 4,
    EVENTFLAG_MIDDLE_MOUSE_BUTTON = 1 << 5,
    EVENTFLAG_RIGHT_MOUSE_BUTTON = 1 << 6,
    EVENTFLAG_IS_KEY_PAD = 1 << 9,
} cef_event_flags_t;

typedef enum {
    KEYEVENT_RAWKEYDOWN = 0,
    KEYEVENT_KEYDOWN,
    KEYEVENT_KEYUP,
    KEYEVENT_CHAR,
} cef_key_event_type_t;

// Windows virtual-key codes of the keys the program looks at.
#define VK_ESCAPE 0x1B
#define VK_LEFT 0x25
#define VK_RIGHT 0x27
#define VK_NUMPAD0 0x60
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_F1 0x70
#define VK_F5 0x74
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_OEM_PLUS 0xBB
#define VK_OEM_MINUS 0xBD

// Network error codes, as the engine reports them to OnLoadError (negative values).
typedef enum {
    ERR_NONE = 0,
    ERR_FAILED = -2,
    ERR_ABORTED = -3,
    ERR_INVALID_ARGUMENT = -4,
    ERR_INVALID_HANDLE = -5,
    ERR_FILE_NOT_FOUND = -6,
    ERR_TIMED_OUT = -7,
    ERR_FILE_TOO_BIG = -8,
    ERR_UNEXPECTED = -9,
    ERR_ACCESS_DENIED = -10,
    ERR_NOT_IMPLEMENTED = -11,
    ERR_NETWORK_CHANGED = -21,
    ERR_CONNECTION_CLOSED = -100,
    ERR_CONNECTION_RESET = -101,
    ERR_CONNECTION_REFUSED = -102,
    ERR_CONNECTION_ABORTED = -103,
    ERR_CONNECTION_FAILED = -104,
    ERR_NAME_NOT_RESOLVED = -105,
    ERR_INTERNET_DISCONNECTED = -106,
    ERR_SSL_PROTOCOL_ERROR = -107,
    ERR_ADDRESS_INVALID = -108,
    ERR_ADDRESS_UNREACHABLE = -109,
    ERR_CONNECTION_TIMED_OUT = -118,
    ERR_NAME_RESOLUTION_FAILED = -137,
    ERR_CERT_COMMON_NAME_INVALID = -200,
    ERR_CERT_DATE_INVALID = -201,
    ERR_CERT_AUTHORITY_INVALID = -202,
    ERR_INVALID_URL = -300,
    ERR_DISALLOWED_URL_SCHEME = -301,
    ERR_UNKNOWN_URL_SCHEME = -302,
} cef_errorcode_t;

typedef enum {
    TT_LINK = 0,
    TT_EXPLICIT = 1,
    TT_AUTO_SUBFRAME = 3,
    TT_MANUAL_SUBFRAME = 4,
    TT_FORM_SUBMIT = 7,
    TT_RELOAD = 8,
} cef_transition_type_t;

// How a page's render process ended.
typedef enum {
    TS_ABNORMAL_TERMINATION,
    TS_PROCESS_WAS_KILLED,
    TS_PROCESS_CRASHED,
    TS_PROCESS_OOM,
} cef_termination_status_t;

typedef enum {
    PID_BROWSER,
    PID_RENDERER,
} cef_process_id_t;

typedef enum {
    STATE_DEFAULT = 0,
    STATE_ENABLED,
    STATE_DISABLED,
} cef_state_t;

// What a page asks the user to allow. Only notifications reach the program; the engine refuses
// the rest at once.
typedef enum {
    CEF_PERMISSION_TYPE_NONE = 0,
    CEF_PERMISSION_TYPE_NOTIFICATIONS = 1 << 13,
} cef_permission_request_types_t;

typedef enum {
    CEF_PERMISSION_RESULT_ACCEPT,
    CEF_PERMISSION_RESULT_DENY,
    // The prompt went away unanswered: refused this time, and the page may ask again.
    CEF_PERMISSION_RESULT_DISMISS,
} cef_permission_request_result_t;

typedef cef_window_open_disposition_t WindowOpenDisposition;
typedef cef_errorcode_t ErrorCode;
typedef cef_transition_type_t TransitionType;
typedef cef_process_id_t CefProcessId;
typedef cef_menu_item_type_t MenuItemType;
typedef cef_event_flags_t EventFlags;
typedef cef_key_event_type_t KeyEventType;
typedef cef_context_menu_type_flags_t TypeFlags;
typedef cef_context_menu_media_type_t MediaType;

struct CefPoint {
    int x = 0;
    int y = 0;
    CefPoint() = default;
    CefPoint(int px, int py) : x(px), y(py) {}
};

struct CefSize {
    int width = 0;
    int height = 0;
    CefSize() = default;
    CefSize(int w, int h) : width(w), height(h) {}
};

struct CefRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    CefRect() = default;
    CefRect(int px, int py, int w, int h) : x(px), y(py), width(w), height(h) {}
};

// Window features a page asked for with window.open().
struct CefPopupFeatures {
    int x = 0;
    int xSet = 0;
    int y = 0;
    int ySet = 0;
    int width = 0;
    int widthSet = 0;
    int height = 0;
    int heightSet = 0;
    int menuBarVisible = 1;
    int statusBarVisible = 1;
    int toolBarVisible = 1;
    int scrollbarsVisible = 1;
};

// Win32 window styles as the window descriptions carry them. On Windows <windows.h> already
// defines them with the same values.
#ifndef WS_OVERLAPPEDWINDOW
#define WS_OVERLAPPED 0x00000000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_MINIMIZEBOX 0x00020000L
#define WS_MAXIMIZEBOX 0x00010000L
#define WS_OVERLAPPEDWINDOW \
    (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CLIPSIBLINGS 0x04000000L
#define WS_CLIPCHILDREN 0x02000000L
#define WS_TABSTOP 0x00010000L
#define CW_USEDEFAULT ((int)0x80000000)
#endif

#endif  // ENGINE_INCLUDE_INTERNAL_CEF_TYPES_H_
