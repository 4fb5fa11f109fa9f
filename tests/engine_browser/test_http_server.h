// A small HTTP/1.0 server on 127.0.0.1 for the engine's pages: fixed bodies per path, every
// request's path recorded.
#ifndef TESTS_ENGINE_BROWSER_TEST_HTTP_SERVER_H_
#define TESTS_ENGINE_BROWSER_TEST_HTTP_SERVER_H_

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QTcpServer>

class TestHttpServer : public QObject {
    Q_OBJECT

public:
    TestHttpServer();

    // Serves html under path with status 200; unknown paths get 404.
    void setPage(const QString &path, const QByteArray &html);
    // Requests for path are read and never answered.
    void setSilent(const QString &path) { silent_.append(path); }
    QString url(const QString &path) const;
    int requestCount(const QString &path) const { return requests_.count(path); }

private:
    void onNewConnection();

    QTcpServer server_;
    QHash<QString, QByteArray> pages_;
    QStringList requests_;
    QStringList silent_;
};

#endif  // TESTS_ENGINE_BROWSER_TEST_HTTP_SERVER_H_
