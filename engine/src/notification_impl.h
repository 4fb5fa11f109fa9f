// A page's notification as the engine API presents it, and the profile's presenter that hands
// each one to the client of the browser showing its origin.
#ifndef ENGINE_SRC_NOTIFICATION_IMPL_H_
#define ENGINE_SRC_NOTIFICATION_IMPL_H_

#include <memory>

#include "include/cef_notification_handler.h"

class QWebEngineNotification;
class QWebEngineProfile;

class NotificationImpl : public CefNotification {
public:
    // Sets the profile's notification presenter.
    static void Watch(QWebEngineProfile *profile);

    CefString GetTitle() override;
    CefString GetBody() override;
    CefString GetOrigin() override;
    CefString GetTag() override;
    bool GetIcon(int max_side, int &width, int &height, std::vector<unsigned char> &rgba) override;
    void Click() override;
    void Close() override;

private:
    explicit NotificationImpl(std::unique_ptr<QWebEngineNotification> notification);
    ~NotificationImpl() override;

    static void Present(std::unique_ptr<QWebEngineNotification> notification);

    std::unique_ptr<QWebEngineNotification> notification_;

    IMPLEMENT_REFCOUNTING(NotificationImpl);
};

#endif  // ENGINE_SRC_NOTIFICATION_IMPL_H_
