#ifndef ENGINE_INCLUDE_CEF_CONTEXT_MENU_HANDLER_H_
#define ENGINE_INCLUDE_CEF_CONTEXT_MENU_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_menu_model.h"
#include "include/cef_unused_interfaces.h"

// What was under the pointer when a context menu was asked for.
class CefContextMenuParams : public virtual CefBaseRefCounted {
public:
    virtual int GetXCoord() = 0;
    virtual int GetYCoord() = 0;
    // CM_TYPEFLAG_* bits: PAGE for a page, plus LINK, MEDIA, SELECTION, EDITABLE as they apply.
    virtual TypeFlags GetTypeFlags() = 0;
    virtual CefString GetLinkUrl() = 0;
    virtual CefString GetUnfilteredLinkUrl() = 0;
    virtual CefString GetSourceUrl() = 0;
    virtual bool HasImageContents() = 0;
    virtual CefString GetTitleText() = 0;
    virtual CefString GetPageUrl() = 0;
    virtual CefString GetFrameUrl() = 0;
    virtual MediaType GetMediaType() = 0;
    virtual CefString GetSelectionText() = 0;
    virtual CefString GetMisspelledWord() = 0;
    virtual bool IsEditable() = 0;
};

// Shapes the page's context menu and reacts to the chosen item.
class CefContextMenuHandler : public virtual CefBaseRefCounted {
public:
    // Edit model before it is shown; an empty model shows no menu.
    virtual void OnBeforeContextMenu(CefRefPtr<CefBrowser> /*browser*/,
                                     CefRefPtr<CefFrame> /*frame*/,
                                     CefRefPtr<CefContextMenuParams> /*params*/,
                                     CefRefPtr<CefMenuModel> /*model*/) {}
    virtual bool RunContextMenu(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                CefRefPtr<CefContextMenuParams> /*params*/,
                                CefRefPtr<CefMenuModel> /*model*/,
                                CefRefPtr<CefRunContextMenuCallback> /*callback*/) {
        return false;
    }
    // Return true when the command was handled here; otherwise the engine carries out its own
    // built-in command of that id.
    virtual bool OnContextMenuCommand(CefRefPtr<CefBrowser> /*browser*/,
                                      CefRefPtr<CefFrame> /*frame*/,
                                      CefRefPtr<CefContextMenuParams> /*params*/,
                                      int /*command_id*/, EventFlags /*event_flags*/) {
        return false;
    }
    virtual void OnContextMenuDismissed(CefRefPtr<CefBrowser> /*browser*/,
                                        CefRefPtr<CefFrame> /*frame*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_CONTEXT_MENU_HANDLER_H_
