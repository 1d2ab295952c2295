#include "edge/Refusal.h"

namespace server {
namespace {

// No body: an agent takes whatever body its exchange answers as settings, so the status line says it all.
QByteArray answer(const char* statusLine) {
    return QByteArray("HTTP/1.1 ") + statusLine + "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
}

} // namespace

const char* refusalLabel(Refusal refusal) {
    switch (refusal) {
    case Refusal::HeadTooLarge:
        return "head_too_large";
    case Refusal::BodyTooLarge:
        return "body_too_large";
    case Refusal::BadRequest:
        return "bad_request";
    case Refusal::HeadTimeout:
        return "head_timeout";
    case Refusal::BodyTimeout:
        return "body_timeout";
    case Refusal::Idle:
        return "idle";
    case Refusal::StalledReader:
        return "stalled_reader";
    case Refusal::AddressLimit:
        return "address_limit";
    case Refusal::ConnectionLimit:
        return "connection_limit";
    }
    return "unknown";
}

QByteArray refusalAnswer(Refusal refusal) {
    switch (refusal) {
    case Refusal::HeadTooLarge:
        return answer("431 Request Header Fields Too Large");
    case Refusal::BodyTooLarge:
        return answer("413 Payload Too Large");
    case Refusal::BadRequest:
        return answer("400 Bad Request");
    default:
        return {};
    }
}

} // namespace server
