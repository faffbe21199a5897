#pragma once

#include <QByteArray>

namespace platform {

// libplist recurses once per nesting level and expands every shared object of
// a binary list anew, so a small hostile file can exhaust the stack or
// memory. These checks run before it sees the data.
constexpr int maxPropertyListDepth = 200;
constexpr qint64 maxPropertyListNodes = 1'000'000;

// True when `data` is a binary property list ("bplist00") whose objects nest
// at most maxPropertyListDepth deep, contain no cycle, expand to at most
// maxPropertyListNodes nodes and use no string holding U+0000 as a dictionary
// key (libplist aborts on reading such a key).
bool binaryPropertyListIsSafe(const QByteArray& data);

// True when `data` is well-formed XML nesting less deep than libxml2's limit,
// which also keeps libplist's own XML parser within bounds.
bool xmlPropertyListIsSafe(const QByteArray& data);

}  // namespace platform
