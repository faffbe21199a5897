#pragma once

// How the movie record's field values are seen through their keys, and how
// they are copied from one record to another. Internal to the model library.
#include "model/moviemodel.h"

#include <QVariant>

#include <memory>
#include <optional>
#include <type_traits>

namespace fieldvalues {

// Field values as the change handler and the user interface see them: an
// absent value (nil) is an invalid QVariant, so that nil and "" differ.
inline QVariant toVariant(const QString& value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

inline QVariant toVariant(const QDateTime& value)
{
    return value.isNull() ? QVariant() : QVariant(value);
}

inline QVariant toVariant(const QUrl& value)
{
    return value.isEmpty() ? QVariant() : QVariant(value);
}

template <typename T>
inline QVariant toVariant(const std::shared_ptr<T>& value)
{
    return value ? QVariant::fromValue(value) : QVariant();
}

template <typename T>
inline QVariant toVariant(const std::optional<T>& value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

template <typename T>
inline QVariant toVariant(const T& value)
{
    return QVariant::fromValue(value);
}

inline bool isAbsent(const QVariant& value)
{
    return !value.isValid() || value.isNull();
}

// The reverse, for setting a field by its key; false when the value does not fit.
template <typename T>
bool fromVariant(const QVariant& value, T& out)
{
    if constexpr (std::is_same_v<T, QString> || std::is_same_v<T, QDateTime> || std::is_same_v<T, QUrl>) {
        if (isAbsent(value)) {
            out = T();
            return true;
        }
    }
    // A text that is no number, say, is refused rather than read as 0.
    QVariant converted = value;
    if (!converted.convert(QMetaType::fromType<T>()))
        return false;
    out = converted.value<T>();
    return true;
}

template <typename T>
bool fromVariant(const QVariant& value, std::optional<T>& out)
{
    if (isAbsent(value)) {
        out.reset();
        return true;
    }
    T inner;
    if (!fromVariant(value, inner))
        return false;
    out = std::move(inner);
    return true;
}

template <typename T>
bool fromVariant(const QVariant& value, std::shared_ptr<T>& out)
{
    if (isAbsent(value)) {
        out.reset();
        return true;
    }
    if (value.metaType() != QMetaType::fromType<std::shared_ptr<T>>())
        return false;
    out = value.value<std::shared_ptr<T>>();
    return true;
}

// What a record holds after copying a value from another record. Values and
// lists are copied (lists keep sharing their elements); a real cover becomes
// a new picture object while the placeholder stays the one shared object; an
// attached search result is copied as a whole.
template <typename T>
T copyValue(const T& value)
{
    return value;
}

inline platform::PicturePtr copyValue(const platform::PicturePtr& cover)
{
    // A record never ends up without a cover object: no cover is the placeholder.
    // The copy is a new object sharing the same bytes; a picture left in its
    // movie file is read now, so that the copy does not depend on that file.
    if (!cover || cover == noCoverImage())
        return noCoverImage();
    return cover->withOwnBytes();
}

inline ImageList copyValue(const ImageList& pictures)
{
    ImageList copies;
    copies.reserve(pictures.size());
    // The same pictures, but those left in a movie file read now.
    for (const platform::PicturePtr& picture : pictures)
        copies << (picture && picture->filePlace() ? picture->withOwnBytes() : picture);
    return copies;
}

inline std::optional<ImageList> copyValue(const std::optional<ImageList>& pictures)
{
    return pictures ? std::optional<ImageList>(copyValue(*pictures)) : std::nullopt;
}

// Whether `record` is being copied on this thread right now.
bool isBeingCopied(const MovieModel* record);

inline std::shared_ptr<MovieModel> copyValue(const std::shared_ptr<MovieModel>& record)
{
    // A chain of search results that leads back to a record being copied
    // would be copied without end: the copied chain stops there instead.
    if (!record || isBeingCopied(record.get()))
        return nullptr;
    return record->copyWithZone();
}

}  // namespace fieldvalues
