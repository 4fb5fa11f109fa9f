#include "src/permission_requests.h"

#include <atomic>

#include <QPointer>
#include <QUrl>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEnginePage>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

#include "src/browser_impl.h"

namespace {

class PromptCallback : public CefPermissionPromptCallback {
public:
    PromptCallback(QWebEnginePage *page, const QUrl &origin, QWebEnginePage::Feature feature)
        : page_(page), origin_(origin), feature_(feature) {}

    void Continue(cef_permission_request_result_t result) override {
        if (answered_ || !page_) {
            return;
        }
        answered_ = true;
        page_->setFeaturePermission(origin_, feature_,
                                    result == CEF_PERMISSION_RESULT_ACCEPT
                                        ? QWebEnginePage::PermissionGrantedByUser
                                        : QWebEnginePage::PermissionDeniedByUser);
    }

private:
    ~PromptCallback() override { Continue(CEF_PERMISSION_RESULT_DISMISS); }

    // The page may be gone before the user answers.
    QPointer<QWebEnginePage> page_;
    const QUrl origin_;
    const QWebEnginePage::Feature feature_;
    bool answered_ = false;

    IMPLEMENT_REFCOUNTING(PromptCallback);
};

uint64 nextPromptId() {
    static std::atomic<uint64> last{0};
    return ++last;
}

}  // namespace

void handlePermissionRequests(QWebEnginePage *page, BrowserImpl *browser) {
    CefRefPtr<CefClient> client = browser->GetClient();
    if (CefRefPtr<CefPermissionHandler> handler =
            client ? client->GetPermissionHandler() : nullptr) {
        // Qt WebEngine keeps answers in its profile for the run only; the page's
        // Notification.permission reads what is set here before it loads.
        for (const auto &[origin, allowed] : handler->GetRememberedNotificationPermissions()) {
            page->setFeaturePermission(QUrl(QString::fromStdU16String(origin.ToString16())),
                                       QWebEnginePage::Notifications,
                                       allowed ? QWebEnginePage::PermissionGrantedByUser
                                               : QWebEnginePage::PermissionDeniedByUser);
        }
    }
    // The page belongs to the browser's view, which holds a reference to the browser.
    QObject::connect(
        page, &QWebEnginePage::featurePermissionRequested, page,
        [page, browser](const QUrl &origin, QWebEnginePage::Feature feature) {
            CefRefPtr<CefClient> client = browser->GetClient();
            CefRefPtr<CefPermissionHandler> handler =
                client ? client->GetPermissionHandler() : nullptr;
            if (feature == QWebEnginePage::Notifications && handler) {
                CefRefPtr<PromptCallback> callback(new PromptCallback(page, origin, feature));
                const CefString text(origin.toString().toStdU16String());
                if (handler->OnShowPermissionPrompt(browser, nextPromptId(), text,
                                                    CEF_PERMISSION_TYPE_NOTIFICATIONS,
                                                    callback.get())) {
                    return;
                }
                callback->Continue(CEF_PERMISSION_RESULT_DENY);
                return;
            }
            page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
        });
    QObject::connect(page, &QWebEnginePage::fileSystemAccessRequested, page,
                     [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    QObject::connect(page, &QWebEnginePage::registerProtocolHandlerRequested, page,
                     [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    QObject::connect(page, &QWebEnginePage::quotaRequested, page,
                     [](QWebEngineQuotaRequest request) { request.reject(); });
}
