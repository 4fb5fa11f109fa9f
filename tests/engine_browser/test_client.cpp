#include "test_client.h"

namespace {

std::string event(const char *name, CefRefPtr<CefBrowser> browser) {
    return std::string(name) + ":" + std::to_string(browser->GetIdentifier());
}

}  // namespace

void TestClient::OnAddressChange(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                                 const CefString &url) {
    addresses.push_back(std::to_string(browser->GetIdentifier()) + " " + url.ToString());
}

void TestClient::OnTitleChange(CefRefPtr<CefBrowser> browser, const CefString &title) {
    titles.push_back(std::to_string(browser->GetIdentifier()) + " " + title.ToString());
}

bool TestClient::OnBeforePopup(CefRefPtr<CefBrowser> browser, CefRefPtr<CefFrame>,
                               const CefString &target_url, const CefString &,
                               WindowOpenDisposition target_disposition, bool user_gesture,
                               const CefPopupFeatures &popupFeatures, CefWindowInfo &,
                               CefRefPtr<CefClient> &, CefBrowserSettings &,
                               CefRefPtr<CefDictionaryValue> &, bool *) {
    popups.push_back({target_url.ToString(), target_disposition, user_gesture, popupFeatures});
    if (open_popups_in_place) {
        browser->GetMainFrame()->LoadURL(target_url);
        return true;
    }
    return cancel_popups;
}

void TestClient::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
    events.push_back(event("created", browser));
    browsers.push_back(browser);
}

bool TestClient::DoClose(CefRefPtr<CefBrowser> browser) {
    events.push_back(event("do_close", browser));
    return keep_open;
}

void TestClient::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
    events.push_back(event("closed", browser));
    for (auto it = browsers.begin(); it != browsers.end(); ++it) {
        if ((*it)->IsSame(browser)) {
            browsers.erase(it);
            break;
        }
    }
}

void TestClient::OnLoadEnd(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, int httpStatusCode) {
    load_ends.push_back(std::to_string(httpStatusCode) + " " + frame->GetURL().ToString());
}

void TestClient::OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                           TerminationStatus status) {
    terminations.push_back(std::to_string(browser->GetIdentifier()) + " " + std::to_string(status));
}

void TestClient::OnSharedRenderProcessUnresponsive(CefRefPtr<CefBrowser> browser) {
    unresponsive.push_back(browser->GetIdentifier());
}

void TestClient::OnLoadError(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame, ErrorCode errorCode,
                             const CefString &errorText, const CefString &failedUrl) {
    load_errors.push_back({errorCode, errorText.ToString(), failedUrl.ToString()});
    if (!error_page.empty() && errorCode != ERR_ABORTED) {
        frame->LoadURL(error_page);
    }
}

void TestClient::OnBeforeContextMenu(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                     CefRefPtr<CefContextMenuParams> params,
                                     CefRefPtr<CefMenuModel> model) {
    ContextMenu menu{params->GetTypeFlags(), {}, params->GetSelectionText().ToString()};
    for (int i = 0; i < model->GetCount(); ++i) {
        menu.command_ids.push_back(model->GetCommandIdAt(i));
    }
    menus.push_back(menu);
    if (edit_menu) {
        edit_menu(*model);
    }
}

bool TestClient::OnContextMenuCommand(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>,
                                      CefRefPtr<CefContextMenuParams>, int command_id, EventFlags) {
    commands.push_back(command_id);
    return handle_commands;
}
