#pragma once

#include <QString>

// The log lines of the web clients. Addresses, replies and the failures made of them can
// carry a key or a password (an error document may quote the request), so every such line
// passes the key redaction of platform::ServiceConfig here, in this one place.
namespace ServiceLog {

void log(const QString& line);

}  // namespace ServiceLog
