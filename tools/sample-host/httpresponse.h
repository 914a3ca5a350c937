#pragma once

#include <QByteArray>
#include <utility>

// One answer of the sample host, as the routes decide it and the connection sends it. Besides a
// plain answer it can be one of the misbehaviours the faults ask for.
struct HttpResponse
{
    enum class Action {
        Send,    // the head and body below
        Never,   // no answer; the connection stays quiet from here on
        Reset,   // the connection is aborted
        Endless, // 200 with a chunked body of filler that never ends
        Drip,    // the answer one body byte at a time
    };
    Action action = Action::Send;
    int status = 200;
    QByteArray body;
    int delayMs = 0;
    QByteArray location;   // a redirect's target
    bool gzip = false;     // the body is sent with Content-Encoding: gzip
    bool headOnly = false; // HEAD: the head says how long the body would be, the body stays away
    // Pictures: the body's type, further head lines, and a body sent without end (with an announced
    // length, or none and the connection closed after it).
    QByteArray contentType;
    QByteArray extraHead;
    bool endless = false;
    qint64 announcedLength = -1;

    static HttpResponse answer(int status, QByteArray body = {})
    {
        HttpResponse response;
        response.status = status;
        response.body = std::move(body);
        return response;
    }
};
