#pragma once

#include <QString>

// The generic items that carry what the tag set has no field for: the cast
// list and the rating as freeform items of one mean, the catalogue id by code.
namespace ITunesItems {

inline const QString kMean = QStringLiteral("com.apple.iTunes");
inline const QString kCastList = QStringLiteral("iTunMOVI");
inline const QString kRating = QStringLiteral("iTunEXTC");
inline const QString kCatalogueId = QStringLiteral("cnID");

}  // namespace ITunesItems
