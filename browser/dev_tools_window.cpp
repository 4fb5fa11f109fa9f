#include "browser/dev_tools_window.h"

#include "include/cef_client.h"

void openDevToolsWindow(CefRefPtr<CefBrowser> browser) {
    CefWindowInfo window_info;
    window_info.ex_style = 0;
    window_info.window_name = "DevTools";
    window_info.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
    // Let the window system place and size the tools.
    window_info.x = CW_USEDEFAULT;
    window_info.y = CW_USEDEFAULT;
    window_info.width = CW_USEDEFAULT;
    window_info.height = CW_USEDEFAULT;
    window_info.parent_window = 0;
    window_info.menu = nullptr;
    window_info.windowless_rendering_enabled = 0;
    // No client: the tools' browser must never enter this handler's browser list.
    browser->GetHost()->ShowDevTools(window_info, nullptr, CefBrowserSettings(), CefPoint());
}
