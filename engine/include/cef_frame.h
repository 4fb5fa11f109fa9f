#ifndef ENGINE_INCLUDE_CEF_FRAME_H_
#define ENGINE_INCLUDE_CEF_FRAME_H_

#include "include/cef_base.h"

class CefBrowser;

// A frame of a browser's page. This engine reports and addresses the main frame only.
class CefFrame : public virtual CefBaseRefCounted {
public:
    virtual bool IsValid() = 0;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    virtual void Cut() = 0;
    virtual void Copy() = 0;
    virtual void Paste() = 0;
    virtual void Delete() = 0;
    virtual void SelectAll() = 0;
    virtual void LoadURL(const CefString &url) = 0;
    virtual void ExecuteJavaScript(const CefString &code, const CefString &script_url,
                                   int start_line) = 0;
    virtual bool IsMain() = 0;
    virtual bool IsFocused() = 0;
    virtual CefString GetName() = 0;
    virtual int64 GetIdentifier() = 0;
    virtual CefString GetURL() = 0;
    virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
};

#endif  // ENGINE_INCLUDE_CEF_FRAME_H_
