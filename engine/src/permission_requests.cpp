#include "src/permission_requests.h"

#include <atomic>

#include <QPointer>
#include <QUrl>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QtGlobal>

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#else
#include <QWebEngineQuotaRequest>
#endif

#include "src/browser_impl.h"

namespace {

#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)

// Qt 6.8: a request is a QWebEnginePermission, answered through itself; answers given before a
// request go to the profile. Chromium no longer asks for storage quota.
using Request = QWebEnginePermission;

bool asksForNotifications(const Request &request) {
    return request.permissionType() == QWebEnginePermission::PermissionType::Notifications;
}

QUrl originOf(const Request &request) {
    return request.origin();
}

void answer(QWebEnginePage *, const Request &request, bool granted) {
    if (granted) {
        request.grant();
    } else {
        request.deny();
    }
}

void answerNotificationsBeforehand(QWebEnginePage *page, const QUrl &origin, bool granted) {
    answer(page,
           page->profile()->queryPermission(origin,
                                            QWebEnginePermission::PermissionType::Notifications),
           granted);
}

template <typename Handler>
void onRequest(QWebEnginePage *page, Handler handler) {
    QObject::connect(page, &QWebEnginePage::permissionRequested, page, handler);
}

#else

// Qt 6.4: a request is an origin and a feature, answered through the page.
struct Request {
    QUrl origin;
    QWebEnginePage::Feature feature;
};

bool asksForNotifications(const Request &request) {
    return request.feature == QWebEnginePage::Notifications;
}

QUrl originOf(const Request &request) {
    return request.origin;
}

void answer(QWebEnginePage *page, const Request &request, bool granted) {
    page->setFeaturePermission(
        request.origin, request.feature,
        granted ? QWebEnginePage::PermissionGrantedByUser : QWebEnginePage::PermissionDeniedByUser);
}

void answerNotificationsBeforehand(QWebEnginePage *page, const QUrl &origin, bool granted) {
    answer(page, Request{origin, QWebEnginePage::Notifications}, granted);
}

template <typename Handler>
void onRequest(QWebEnginePage *page, Handler handler) {
    QObject::connect(page, &QWebEnginePage::featurePermissionRequested, page,
                     [handler](const QUrl &origin, QWebEnginePage::Feature feature) {
                         handler(Request{origin, feature});
                     });
    QObject::connect(page, &QWebEnginePage::quotaRequested, page,
                     [](QWebEngineQuotaRequest request) { request.reject(); });
}

#endif

class PromptCallback : public CefPermissionPromptCallback {
public:
    PromptCallback(QWebEnginePage *page, const Request &request) : page_(page), request_(request) {}

    void Continue(cef_permission_request_result_t result) override {
        if (answered_ || !page_) {
            return;
        }
        answered_ = true;
        answer(page_, request_, result == CEF_PERMISSION_RESULT_ACCEPT);
    }

private:
    ~PromptCallback() override { Continue(CEF_PERMISSION_RESULT_DISMISS); }

    // The page may be gone before the user answers.
    QPointer<QWebEnginePage> page_;
    const Request request_;
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
        // The page's Notification.permission reads what is set here before it loads.
        for (const auto &[origin, allowed] : handler->GetRememberedNotificationPermissions()) {
            answerNotificationsBeforehand(
                page, QUrl(QString::fromStdU16String(origin.ToString16())), allowed);
        }
    }
    // The page belongs to the browser's view, which holds a reference to the browser.
    onRequest(page, [page, browser](const Request &request) {
        CefRefPtr<CefClient> client = browser->GetClient();
        CefRefPtr<CefPermissionHandler> handler = client ? client->GetPermissionHandler() : nullptr;
        if (asksForNotifications(request) && handler) {
            CefRefPtr<PromptCallback> callback(new PromptCallback(page, request));
            const CefString text(originOf(request).toString().toStdU16String());
            if (handler->OnShowPermissionPrompt(browser, nextPromptId(), text,
                                                CEF_PERMISSION_TYPE_NOTIFICATIONS,
                                                callback.get())) {
                return;
            }
            callback->Continue(CEF_PERMISSION_RESULT_DENY);
            return;
        }
        answer(page, request, false);
    });
    QObject::connect(page, &QWebEnginePage::fileSystemAccessRequested, page,
                     [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    QObject::connect(page, &QWebEnginePage::registerProtocolHandlerRequested, page,
                     [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
}

void keepPermissionAnswersForTheRun(QWebEngineProfile *profile) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    profile->setPersistentPermissionsPolicy(
        QWebEngineProfile::PersistentPermissionsPolicy::StoreInMemory);
#else
    Q_UNUSED(profile);
#endif
}
