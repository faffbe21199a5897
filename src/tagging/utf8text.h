#pragma once

#include <QString>

#include <filesystem>
#include <string_view>

// Text from a movie file: a null QString when the bytes are not valid UTF-8,
// so that a damaged tag reads as absent rather than as garbage.
QString stringFromUtf8(std::string_view bytes);

// The record's text as the bytes a movie file stores.
std::string utf8FromString(const QString& text);

// A local file's path as the file system spells it.
std::filesystem::path pathFromLocalFile(const QString& localFile);
