#pragma once

#include <array>
#include <QByteArray>

namespace server {

// Why the edge refused a request or dropped a connection; each is counted on /metrics under its label.
enum class Refusal {
    HeadTooLarge,    // 431
    BodyTooLarge,    // 413
    BadRequest,      // 400: framing the HTTP parser behind could read otherwise than the edge
    HeadTimeout,     // closed
    BodyTimeout,     // closed
    Idle,            // closed
    StalledReader,   // closed
    AddressLimit,    // closed on arrival
    ConnectionLimit, // closed on arrival
};

inline constexpr std::array kRefusals{
    Refusal::HeadTooLarge,  Refusal::BodyTooLarge, Refusal::BadRequest,
    Refusal::HeadTimeout,   Refusal::BodyTimeout,  Refusal::Idle,
    Refusal::StalledReader, Refusal::AddressLimit, Refusal::ConnectionLimit};

// The label on /metrics, e.g. "body_too_large".
const char* refusalLabel(Refusal refusal);

// The whole answer sent before closing, or empty for a refusal that closes without one.
QByteArray refusalAnswer(Refusal refusal);

} // namespace server
