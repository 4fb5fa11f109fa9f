// A client that records what the engine reports and answers as each test asks.
#ifndef TESTS_ENGINE_BROWSER_TEST_CLIENT_H_
#define TESTS_ENGINE_BROWSER_TEST_CLIENT_H_

#include <functional>
#include <string>
#include <vector>

#include "include/cef_client.h"

class TestClient : public CefClient,
                   public CefDisplayHandler,
                   public CefLifeSpanHandler,
                   public CefLoadHandler,
                   public CefRequestHandler,
                   public CefContextMenuHandler {
public:
    struct Popup {
        std::string url;
        WindowOpenDisposition disposition;
        bool user_gesture;
        CefPopupFeatures features;
    };
    struct LoadError {
        int code;
        std::string text;
        std::string url;
    };
    struct ContextMenu {
        int type_flags;
        std::vector<int> command_ids;  // -1 for a separator
        std::string selection_text;
    };

    CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override { return this; }
    CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
    CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
    CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
    CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }

    void OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                         const CefString &url) override;
    void OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString &title) override;
    void OnPictureInPictureModeChange(CefRefPtr<CefBrowser>, bool active) override {
        picture_in_picture.push_back(active);
    }
    bool OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                       const CefString &target_url, const CefString &target_frame_name,
                       WindowOpenDisposition target_disposition, bool user_gesture,
                       const CefPopupFeatures &popupFeatures, CefWindowInfo &windowInfo,
                       CefRefPtr<CefClient> &client, CefBrowserSettings &settings,
                       CefRefPtr<CefDictionaryValue> &extra_info,
                       bool *no_javascript_access) override;
    void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
    bool DoClose(CefRefPtr<CefBrowser> browser) override;
    void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
    void OnLoadEnd(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                   int httpStatusCode) override;
    void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                   TerminationStatus status) override;
    void OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) override;
    void OnLoadError(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                     const CefString &errorText, const CefString &failedUrl) override;
    void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             CefRefPtr<CefMenuModel> model) override;
    bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame> frame,
                              CefRefPtr<CefContextMenuParams> params, int command_id,
                              EventFlags event_flags) override;

    // Answers.
    bool cancel_popups = false;
    bool open_popups_in_place = false;  // cancels and loads the target into the main frame
    std::string error_page;             // loaded into the failed frame when not empty
    bool keep_open = false;             // DoClose's answer
    bool handle_commands = false;
    std::function<void(CefMenuModel &)> edit_menu;

    // Records. events holds "created:<id>", "do_close:<id>" and "closed:<id>" in order.
    std::vector<std::string> events;
    std::vector<CefRefPtr<CefBrowser>> browsers;  // created and not closed yet
    std::vector<std::string> addresses;           // "<id> <url>"
    std::vector<std::string> titles;              // "<id> <title>"
    std::vector<bool> picture_in_picture;
    std::vector<Popup> popups;
    std::vector<LoadError> load_errors;
    std::vector<std::string> load_ends;     // "<status> <url>"
    std::vector<std::string> terminations;  // "<id> <status>"
    std::vector<int> unresponsive;          // browser ids
    std::vector<ContextMenu> menus;
    std::vector<int> commands;

private:
    IMPLEMENT_REFCOUNTING(TestClient);
};

#endif  // TESTS_ENGINE_BROWSER_TEST_CLIENT_H_
