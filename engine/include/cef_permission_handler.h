#ifndef ENGINE_INCLUDE_CEF_PERMISSION_HANDLER_H_
#define ENGINE_INCLUDE_CEF_PERMISSION_HANDLER_H_

#include <utility>
#include <vector>

#include "include/cef_base.h"
#include "include/cef_browser.h"

class CefPermissionPromptCallback : public virtual CefBaseRefCounted {
public:
    // Answers the prompt; only the first answer counts. A callback released unanswered answers
    // CEF_PERMISSION_RESULT_DISMISS.
    virtual void Continue(cef_permission_request_result_t result) = 0;
};

// Requests of pages for what needs the user's consent.
class CefPermissionHandler : public virtual CefBaseRefCounted {
public:
    // requested_permissions is a set of cef_permission_request_types_t. Return true and answer
    // through callback, now or later; return false to refuse at once.
    virtual bool OnShowPermissionPrompt(CefRefPtr<CefBrowser> /*browser*/, uint64 /*prompt_id*/,
                                        const CefString & /*requesting_origin*/,
                                        uint32 /*requested_permissions*/,
                                        CefRefPtr<CefPermissionPromptCallback> /*callback*/) {
        return false;
    }

    // Origins ("scheme://host:port") whose notifications the user allowed (true) or refused
    // (false) before. Asked for each new browser before its page loads: its pages then read that
    // answer from the start and are not asked again.
    virtual std::vector<std::pair<CefString, bool>> GetRememberedNotificationPermissions() {
        return {};
    }
};

#endif  // ENGINE_INCLUDE_CEF_PERMISSION_HANDLER_H_
