#include "test_http_server.h"

#include <QHostAddress>
#include <QTcpSocket>

TestHttpServer::TestHttpServer() {
    server_.listen(QHostAddress(QHostAddress::LocalHost), 0);
    connect(&server_, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

void TestHttpServer::setPage(const QString &path, const QByteArray &html) {
    pages_[path] = html;
}

QString TestHttpServer::url(const QString &path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
}

void TestHttpServer::onNewConnection() {
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            QByteArray buffer = socket->property("received").toByteArray() + socket->readAll();
            socket->setProperty("received", buffer);
            if (!buffer.contains("\r\n\r\n")) {
                return;
            }
            const QList<QByteArray> request_line = buffer.left(buffer.indexOf("\r\n")).split(' ');
            const QString path =
                request_line.size() > 1 ? QString::fromLatin1(request_line[1]) : QString();
            requests_.append(path);
            if (silent_.contains(path)) {
                return;
            }
            const auto page = pages_.constFind(path);
            const bool found = page != pages_.constEnd();
            const QByteArray body = found ? *page : QByteArray("<html><body>missing</body></html>");
            QByteArray response = found ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n";
            response += "Content-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\n";
            response += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
            socket->write(response);
            socket->disconnectFromHost();
        });
    }
}
