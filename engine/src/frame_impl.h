// The main frame of a browser's page, the one frame this engine addresses.
#ifndef ENGINE_SRC_FRAME_IMPL_H_
#define ENGINE_SRC_FRAME_IMPL_H_

#include "include/cef_frame.h"
#include "src/browser_impl.h"

class FrameImpl : public CefFrame {
public:
    explicit FrameImpl(CefRefPtr<BrowserImpl> browser) : browser_(browser) {}

    bool IsValid() override { return browser_->page() != nullptr; }
    void Undo() override { browser_->TriggerAction(QWebEnginePage::Undo); }
    void Redo() override { browser_->TriggerAction(QWebEnginePage::Redo); }
    void Cut() override { browser_->TriggerAction(QWebEnginePage::Cut); }
    void Copy() override { browser_->TriggerAction(QWebEnginePage::Copy); }
    void Paste() override { browser_->TriggerAction(QWebEnginePage::Paste); }
    // Qt WebEngine has no action for it; the page's own editing command does the same.
    void Delete() override;
    void SelectAll() override { browser_->TriggerAction(QWebEnginePage::SelectAll); }
    void LoadURL(const CefString &url) override;
    // script_url and start_line only label the code in the engine's own diagnostics.
    void ExecuteJavaScript(const CefString &code, const CefString &script_url,
                           int start_line) override;
    bool IsMain() override { return true; }
    bool IsFocused() override { return true; }
    CefString GetName() override { return CefString(); }
    int64 GetIdentifier() override { return browser_->GetIdentifier(); }
    CefString GetURL() override;
    CefRefPtr<CefBrowser> GetBrowser() override { return browser_.get(); }

private:
    CefRefPtr<BrowserImpl> browser_;

    IMPLEMENT_REFCOUNTING(FrameImpl);
};

#endif  // ENGINE_SRC_FRAME_IMPL_H_
