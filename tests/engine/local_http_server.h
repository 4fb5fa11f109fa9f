// A minimal HTTP server on 127.0.0.1 for engine tests: answers every GET with one small page that
// sets a lasting cookie, and remembers each request's headers.
#ifndef TESTS_ENGINE_LOCAL_HTTP_SERVER_H_
#define TESTS_ENGINE_LOCAL_HTTP_SERVER_H_

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QTcpServer>

class LocalHttpServer : public QTcpServer {
    Q_OBJECT

public:
    struct Request {
        QByteArray request_line;
        QMap<QByteArray, QByteArray> headers;  // names in lower case
    };

    explicit LocalHttpServer(QObject *parent = nullptr);
    bool start();
    QList<Request> requests() const { return requests_; }

private:
    void onNewConnection();

    QList<Request> requests_;
};

#endif  // TESTS_ENGINE_LOCAL_HTTP_SERVER_H_
