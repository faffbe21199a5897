#pragma once

#include "online/webtransport.h"

#include <QByteArray>
#include <QUrl>

#include <optional>

// The bytes of the picture at a web address, fetched over the web transport
// within the image size bound; none when no picture came back. A transfer
// that fails (refused, timed out, cut off for its size) writes one log line;
// an error status or a cancel answers none silently.
std::optional<QByteArray> fetchImageData(const QUrl& url, const WebTransport::WaitTurn& turn = {});
