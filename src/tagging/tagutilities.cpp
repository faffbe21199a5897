#include "tagging/tagutilities.h"

#include "mp4/bytes.h"
#include "mp4/moviefile.h"
#include "tagging/utf8text.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace TagUtilities {

namespace {

std::string lowerCase(std::string text)
{
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Handler types compared as the library's users expect: the media kinds
// without regard to case, "sbtl" exactly.
bool hasTypeIgnoringCase(const mp4::MovieFile& file, std::uint32_t trackId, std::string_view type)
{
    return lowerCase(file.trackType(trackId).bytes()) == type;
}

template <typename Visit>
void forEachTrack(const mp4::MovieFile& file, Visit visit)
{
    const std::size_t count = file.trackCount();
    for (std::size_t index = 0; index < count; ++index) {
        const std::uint32_t id = file.trackId(index);
        if (id != 0 && !visit(id))
            return;
    }
}

mp4::FourCC itemCode(const QString& name)
{
    return mp4::FourCC(std::string_view(name.toUtf8().toStdString()));
}

const mp4::ItemData* firstDataEntry(const std::vector<mp4::Item>& items)
{
    if (items.empty() || items.front().data.empty())
        return nullptr;
    return &items.front().data.front();
}

std::vector<std::uint8_t> bytesOf(QByteArrayView value)
{
    const auto* begin = reinterpret_cast<const std::uint8_t*>(value.data());
    return std::vector<std::uint8_t>(begin, begin + value.size());
}

// The low 32 bits of a big-endian number of any length.
qint64 lowBitsOfBigEndian(const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t value = 0;
    const std::size_t first = bytes.size() > 4 ? bytes.size() - 4 : 0;
    for (std::size_t i = first; i < bytes.size(); ++i)
        value = (value << 8) | bytes[i];
    return value;
}

QString textOf(const std::vector<std::uint8_t>& bytes)
{
    return stringFromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

std::uint32_t getReferencingTrack(const mp4::MovieFile& file)
{
    std::uint32_t video = 0;
    std::uint32_t audio = 0;
    forEachTrack(file, [&](std::uint32_t id) {
        if (hasTypeIgnoringCase(file, id, "vide")) {
            video = id;
            return false;
        }
        if (audio == 0 && hasTypeIgnoringCase(file, id, "soun"))
            audio = id;
        return true;
    });
    return video != 0 ? video : audio;
}

std::uint32_t getChapterTrack(const mp4::MovieFile& file)
{
    std::uint32_t chapterTrack = 0;
    forEachTrack(file, [&](std::uint32_t id) {
        if (hasTypeIgnoringCase(file, id, "text"))
            chapterTrack = id;
        return chapterTrack == 0;
    });
    return chapterTrack;
}

QList<std::uint32_t> getSubtitleTracks(const mp4::MovieFile& file)
{
    QList<std::uint32_t> tracks;
    forEachTrack(file, [&](std::uint32_t id) {
        if (file.trackType(id) == mp4::FourCC("sbtl"))
            tracks.append(id);
        return true;
    });
    return tracks;
}

std::uint64_t getMediaDurationInMilliseconds(const mp4::MovieFile& file)
{
    std::uint64_t longest = 0;
    forEachTrack(file, [&](std::uint32_t id) {
        if (hasTypeIgnoringCase(file, id, "vide") || hasTypeIgnoringCase(file, id, "soun")) {
            const std::optional<mp4::TrackInfo> track = file.track(id);
            if (track && track->timeScale != 0)
                longest = std::max(longest, mp4::mulDiv(track->duration, 1000, track->timeScale));
        }
        return true;
    });
    return longest;
}

std::optional<std::uint64_t> durationWithinMedia(std::uint64_t start, std::uint64_t duration, std::uint64_t end)
{
    if (end == 0)
        return duration;
    if (start >= end)
        return std::nullopt;
    return std::min(duration, end - start);
}

SizeAndDuration getSizeAndDurationFromFile(const mp4::MovieFile& file)
{
    SizeAndDuration result;
    if (const std::uint32_t track = getReferencingTrack(file); track != 0) {
        result.width = file.trackVideoWidth(track);
        result.height = file.trackVideoHeight(track);
    }
    if (const std::uint32_t timeScale = file.timeScale(); timeScale != 0) {
        const double milliseconds = static_cast<double>(file.duration()) / timeScale * 1000.0;
        result.durationInMilliSeconds = static_cast<std::uint64_t>(std::trunc(milliseconds));
    }
    return result;
}

QVariant getNameItem(const mp4::MovieFile& file, const QString& name, std::int32_t type)
{
    const std::vector<mp4::Item> items = file.itemsByCode(itemCode(name));
    const mp4::ItemData* data = firstDataEntry(items);
    if (data == nullptr || data->value.empty())
        return {};
    if (type == kIntegerType)
        return lowBitsOfBigEndian(data->value);
    if (type == kUtf8Type) {
        const QString text = textOf(data->value);
        return text.isNull() ? QVariant() : QVariant(text);
    }
    return {};
}

QString getNameAndMeanItem(const mp4::MovieFile& file, const QString& mean, const QString& name)
{
    const std::vector<mp4::Item> items = file.itemsByMeaning(utf8FromString(mean), utf8FromString(name));
    const mp4::ItemData* data = firstDataEntry(items);
    if (data == nullptr || data->value.empty())
        return {};
    return textOf(data->value);
}

std::expected<bool, TaggingError> addNameItem(mp4::MovieFile& file, const QString& name, QByteArrayView value,
                                              std::int32_t type)
{
    const mp4::FourCC code = itemCode(name);
    if (auto removed = checkedEdit(file.removeItems(code), QStringLiteral("removing the %1 items").arg(name)); !removed)
        return std::unexpected(removed.error());
    if (value.isEmpty())
        return false;
    std::vector<std::uint8_t> bytes = bytesOf(value);
    if (type == kIntegerType && std::endian::native == std::endian::little)
        std::ranges::reverse(bytes);
    mp4::Item item;
    item.code = code;
    item.data.push_back(mp4::ItemData{static_cast<std::uint32_t>(type), 0, std::move(bytes)});
    if (auto added = checkedEdit(file.addItem(item), QStringLiteral("adding the %1 item").arg(name)); !added)
        return std::unexpected(added.error());
    return true;
}

std::expected<bool, TaggingError> addNameAndMeanItem(mp4::MovieFile& file, const QString& mean, const QString& name,
                                                     QByteArrayView value)
{
    const std::string meanText = utf8FromString(mean);
    const std::string nameText = utf8FromString(name);
    if (auto removed = checkedEdit(file.removeItemsByMeaning(meanText, nameText),
                                   QStringLiteral("removing the %1 items").arg(name));
        !removed)
        return std::unexpected(removed.error());
    if (value.isEmpty())
        return false;
    const mp4::Item item = mp4::Item::freeform(
        meanText, nameText, {mp4::ItemData{static_cast<std::uint32_t>(kUtf8Type), 0, bytesOf(value)}});
    if (auto added = checkedEdit(file.addItem(item), QStringLiteral("adding the %1 item").arg(name)); !added)
        return std::unexpected(added.error());
    return true;
}

}  // namespace TagUtilities
