#include "src/permission_requests.h"

#include <QWebEngineFileSystemAccessRequest>
#include <QWebEnginePage>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

void refusePermissionRequests(QWebEnginePage *page) {
    QObject::connect(page, &QWebEnginePage::featurePermissionRequested, page,
                     [page](const QUrl &origin, QWebEnginePage::Feature feature) {
                         page->setFeaturePermission(origin, feature,
                                                    QWebEnginePage::PermissionDeniedByUser);
                     });
    QObject::connect(page, &QWebEnginePage::fileSystemAccessRequested, page,
                     [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    QObject::connect(page, &QWebEnginePage::registerProtocolHandlerRequested, page,
                     [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    QObject::connect(page, &QWebEnginePage::quotaRequested, page,
                     [](QWebEngineQuotaRequest request) { request.reject(); });
}
