// Small stand-ins for the engine objects the handler is handed, recording what the handler does
// with them. Menus are the engine's real model.
#ifndef TESTS_BROWSER_ENGINE_DOUBLES_H_
#define TESTS_BROWSER_ENGINE_DOUBLES_H_

#include <string>
#include <vector>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/cef_context_menu_handler.h"
#include "include/cef_frame.h"

// A frame that shows the last URL it was asked to load.
class RecordingFrame : public CefFrame {
public:
    std::vector<std::string> loadedUrls;
    std::string url;

    void LoadURL(const CefString &target) override {
        loadedUrls.push_back(target.ToString());
        url = target.ToString();
    }

    bool IsValid() override { return true; }
    void Undo() override {}
    void Redo() override {}
    void Cut() override {}
    void Copy() override {}
    void Paste() override {}
    void Delete() override {}
    void SelectAll() override {}
    void ExecuteJavaScript(const CefString &, const CefString &, int) override {}
    bool IsMain() override { return true; }
    bool IsFocused() override { return false; }
    CefString GetName() override { return CefString(); }
    int64 GetIdentifier() override { return 1; }
    CefString GetURL() override { return CefString(url); }
    CefRefPtr<CefBrowser> GetBrowser() override { return nullptr; }

    IMPLEMENT_REFCOUNTING(RecordingFrame);
};

class RecordingHost : public CefBrowserHost {
public:
    struct DevToolsCall {
        CefWindowInfo windowInfo;
        bool clientGiven;
        CefBrowserSettings settings;
        CefPoint inspectAt;
    };
    std::vector<DevToolsCall> devToolsCalls;

    void ShowDevTools(const CefWindowInfo &windowInfo, CefRefPtr<CefClient> client,
                      const CefBrowserSettings &settings, const CefPoint &inspect_at) override {
        devToolsCalls.push_back({windowInfo, client != nullptr, settings, inspect_at});
    }

    CefRefPtr<CefBrowser> GetBrowser() override { return nullptr; }
    void CloseBrowser(bool) override {}
    bool TryCloseBrowser() override { return true; }
    CefWindowHandle GetWindowHandle() override { return 0; }
    CefWindowHandle GetOpenerWindowHandle() override { return 0; }
    CefRefPtr<CefClient> GetClient() override { return nullptr; }
    CefRefPtr<CefRequestContext> GetRequestContext() override { return nullptr; }
    void CloseDevTools() override {}
    bool HasDevTools() override { return false; }
    void WasResized() override {}
    double GetZoomLevel() override { return zoomLevel; }
    void SetZoomLevel(double level) override { zoomLevel = level; }
    void SetAudioMuted(bool) override {}
    bool IsAudioMuted() override { return false; }
    void SetPictureInPicture(bool) override {}

    double zoomLevel = 0.0;

    IMPLEMENT_REFCOUNTING(RecordingHost);
};

// A browser whose identity is its identifier, as the engine's browsers are. destroyed, when given,
// is set once the last reference has gone.
class RecordingBrowser : public CefBrowser {
public:
    explicit RecordingBrowser(int identifier, bool *destroyed = nullptr)
        : identifier_(identifier), destroyed_(destroyed) {}
    ~RecordingBrowser() override {
        if (destroyed_) {
            *destroyed_ = true;
        }
    }

    const CefRefPtr<RecordingFrame> mainFrame = new RecordingFrame;
    const CefRefPtr<RecordingHost> host = new RecordingHost;
    // One entry per reload: whether it bypassed the cache.
    std::vector<bool> reloads;

    int GetIdentifier() override { return identifier_; }
    bool IsSame(CefRefPtr<CefBrowser> that) override {
        return that && that->GetIdentifier() == identifier_;
    }
    CefRefPtr<CefFrame> GetMainFrame() override { return mainFrame.get(); }
    CefRefPtr<CefBrowserHost> GetHost() override { return host.get(); }

    bool CanGoBack() override { return false; }
    void GoBack() override {}
    bool CanGoForward() override { return false; }
    void GoForward() override {}
    bool IsLoading() override { return false; }
    void Reload() override { reloads.push_back(false); }
    void ReloadIgnoreCache() override { reloads.push_back(true); }
    void StopLoad() override {}
    bool IsPopup() override { return false; }
    bool HasDocument() override { return true; }
    CefRefPtr<CefFrame> GetFocusedFrame() override { return mainFrame.get(); }

private:
    const int identifier_;
    bool *const destroyed_;

    IMPLEMENT_REFCOUNTING(RecordingBrowser);
};

class FixedMenuParams : public CefContextMenuParams {
public:
    explicit FixedMenuParams(int typeFlags) : typeFlags_(typeFlags) {}

    TypeFlags GetTypeFlags() override { return static_cast<TypeFlags>(typeFlags_); }

    int GetXCoord() override { return 0; }
    int GetYCoord() override { return 0; }
    CefString GetLinkUrl() override { return CefString(); }
    CefString GetUnfilteredLinkUrl() override { return CefString(); }
    CefString GetSourceUrl() override { return CefString(); }
    bool HasImageContents() override { return false; }
    CefString GetTitleText() override { return CefString(); }
    CefString GetPageUrl() override { return CefString(); }
    CefString GetFrameUrl() override { return CefString(); }
    MediaType GetMediaType() override { return CM_MEDIATYPE_NONE; }
    CefString GetSelectionText() override { return CefString(); }
    CefString GetMisspelledWord() override { return CefString(); }
    bool IsEditable() override { return false; }

private:
    const int typeFlags_;

    IMPLEMENT_REFCOUNTING(FixedMenuParams);
};

#endif  // TESTS_BROWSER_ENGINE_DOUBLES_H_
