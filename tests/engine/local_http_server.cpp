#include "local_http_server.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {

const char kPage[] =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>probe</title></head>"
    "<body><p>探针</p></body></html>";

}  // namespace

LocalHttpServer::LocalHttpServer(QObject *parent) : QTcpServer(parent) {
    connect(this, &QTcpServer::newConnection, this, &LocalHttpServer::onNewConnection);
}

bool LocalHttpServer::start() {
    return listen(QHostAddress::LocalHost, 0);
}

void LocalHttpServer::onNewConnection() {
    while (QTcpSocket *socket = nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
            const int end = buffer.indexOf("\r\n\r\n");
            if (end < 0) {
                socket->setProperty("buffer", buffer);
                return;
            }
            socket->setProperty("buffer", buffer.mid(end + 4));
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            Request request;
            request.request_line = lines.value(0).trimmed();
            for (int i = 1; i < lines.size(); ++i) {
                const int colon = lines[i].indexOf(':');
                if (colon > 0) {
                    request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                           lines[i].mid(colon + 1).trimmed());
                }
            }
            requests_.append(request);
            const QByteArray body(kPage);
            socket->write(
                "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                "Set-Cookie: probe=kept; Max-Age=86400; Path=/\r\n"
                "Cache-Control: max-age=3600\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    }
}
