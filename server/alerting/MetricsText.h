#pragma once

#include <initializer_list>
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <utility>

// Pieces of the Prometheus text exposition format, version 0.0.4.
namespace server::metrics {

inline constexpr char kContentType[] = "text/plain; version=0.0.4; charset=utf-8";

using Labels = std::initializer_list<std::pair<const char*, QString>>;

// The HELP and TYPE lines that open a metric family; every sample of the family follows them at once.
void family(QByteArray& out, const char* name, const char* type, const char* help);

// One sample line; label values escaped (backslash, double quote, line feed).
void sample(QByteArray& out, const char* name, Labels labels, double value);

// One label as it stands between the braces (name="value", escaped), to be written once and shared by
// every sample of a computer; joined with "," into `labels` below.
void appendLabel(QByteArray& out, const char* name, QByteArrayView utf8Value);

// A sample line whose labels are already written.
void sample(QByteArray& out, const char* name, QByteArrayView labels, double value);

// A sample whose value the agent sent as text: nothing when the text is no number.
void textSample(QByteArray& out, const char* name, QByteArrayView labels, QByteArrayView value);

} // namespace server::metrics
