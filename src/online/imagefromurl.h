#pragma once

#include "online/webtransport.h"
#include "platform/picture.h"

#include <QByteArray>
#include <QUrl>

#include <memory>
#include <optional>

// Pictures read from addresses: a local file, or a web address over the web
// transport within the image size bound.

// The bytes of the picture at a web address; none when no picture came
// back. A transfer that fails (refused, timed out, cut off for its size)
// writes one log line; an error status or a cancel answers none silently.
std::optional<QByteArray> fetchImageData(const QUrl& url, const WebTransport::WaitTurn& turn = {});

// Reads the whole picture at a local or web URL, the caller waiting while
// the event loop runs, and decodes it as imageFromData does. Only regular
// files no larger than the image bound are read. A failed read gives a null
// picture, never a null pointer.
platform::PicturePtr imageFromURL(const QUrl& url);
