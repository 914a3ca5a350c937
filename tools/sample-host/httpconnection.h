#pragma once

#include "httpresponse.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;

// The HTTP/1.1 side of the sample host: reads requests off keep-alive connections, one at a time
// per connection, hands each to the handler and sends what it answers, misbehaving answers
// included. Heads beyond 16 KiB get 431, malformed ones 400, and both close the connection. It
// counts what it sees, so that tests check what clients do rather than what they intend.
class HttpConnection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HttpConnection)
public:
    // The answer to a request: the method as sent, the path percent-decoded without query.
    using Handler = std::function<HttpResponse(const QByteArray &method, const QString &path)>;
    // The body of an answer with a status other than 200.
    using ErrorPage = std::function<QByteArray(int status, const QByteArray &reason)>;

    HttpConnection(Handler handler, ErrorPage errorPage, QObject *parent = nullptr);
    ~HttpConnection() override;

    // Serves the connections `server` accepts from now on.
    void serve(QTcpServer &server);

    // Connections accepted since the start.
    int connectionCount() const { return m_connectionCount; }
    // Connections open now.
    int openConnections() const { return static_cast<int>(m_sockets.size()); }
    // The most requests that were ever received and not yet answered at one moment.
    int maxInFlight() const { return m_maxInFlight; }

signals:
    // A whole request has arrived; emitted before the handler answers it.
    void requestArrived(const QString &path);

private:
    struct State;
    struct Request;

    void accept(QTcpServer &server);
    void onReadyRead(QTcpSocket *socket);
    void processRequests(QTcpSocket *socket);
    // Takes the next whole request off the buffer; answers and closes when it is refused.
    std::optional<Request> takeRequest(QTcpSocket *socket, State &state);
    void answer(QTcpSocket *socket, State &state, const Request &request);
    void markAnswered(QTcpSocket *socket);
    void send(QTcpSocket *socket, const HttpResponse &response, bool keepAlive);
    void sendWithoutEnd(QTcpSocket *socket, const HttpResponse &response);
    QByteArray head(const HttpResponse &response, const QByteArray &body, bool keepAlive) const;
    void stream(QTcpSocket *socket, qint64 remaining);
    void sendEndless(QTcpSocket *socket);
    void sendDrip(QTcpSocket *socket, const QByteArray &head, const QByteArray &body);

    Handler m_handler;
    ErrorPage m_errorPage;
    QHash<QTcpSocket *, std::shared_ptr<State>> m_sockets;
    int m_connectionCount = 0;
    int m_inFlight = 0;
    int m_maxInFlight = 0;
};
