#include "mp4/moviefile.h"

namespace mp4 {

class MovieFile::Impl {
public:
    std::filesystem::path path;
};

MovieFile::MovieFile(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
MovieFile::MovieFile(MovieFile&&) noexcept = default;
MovieFile& MovieFile::operator=(MovieFile&&) noexcept = default;
MovieFile::~MovieFile() = default;

Result<MovieFile> MovieFile::openForRead(const std::filesystem::path&)
{
    return fail(Error::Code::Unsupported, "not available yet");
}
Result<MovieFile> MovieFile::openForModify(const std::filesystem::path&)
{
    return fail(Error::Code::Unsupported, "not available yet");
}
Result<void> MovieFile::close() { return fail(Error::Code::Closed, "closed"); }
bool MovieFile::isOpen() const { return false; }
bool MovieFile::isModifiable() const { return false; }
const std::filesystem::path& MovieFile::path() const { return m_impl->path; }
std::uint32_t MovieFile::timeScale() const { return 0; }
std::uint64_t MovieFile::duration() const { return 0; }
std::size_t MovieFile::trackCount() const { return 0; }
std::uint32_t MovieFile::trackId(std::size_t) const { return 0; }
std::optional<TrackInfo> MovieFile::track(std::uint32_t) const { return std::nullopt; }
std::vector<TrackInfo> MovieFile::tracks() const { return {}; }
FourCC MovieFile::trackType(std::uint32_t) const { return {}; }
std::string MovieFile::trackLanguage(std::uint32_t) const { return {}; }
std::uint32_t MovieFile::trackTimeScale(std::uint32_t) const { return 0; }
std::uint16_t MovieFile::trackVideoWidth(std::uint32_t) const { return 0; }
std::uint16_t MovieFile::trackVideoHeight(std::uint32_t) const { return 0; }
std::optional<Tx3gDescription> MovieFile::tx3gDescription(std::uint32_t) const { return std::nullopt; }
Tags MovieFile::tags() const { return {}; }
Result<void> MovieFile::setTags(const Tags&) { return fail(Error::Code::ReadOnly, "stub"); }
std::vector<Item> MovieFile::items() const { return {}; }
std::vector<Item> MovieFile::itemsByCode(FourCC) const { return {}; }
std::vector<Item> MovieFile::itemsByMeaning(const std::string&, const std::string&) const { return {}; }
Result<void> MovieFile::addItem(const Item&) { return fail(Error::Code::ReadOnly, "stub"); }
Result<std::size_t> MovieFile::removeItems(FourCC) { return fail(Error::Code::ReadOnly, "stub"); }
Result<std::size_t> MovieFile::removeItemsByMeaning(const std::string&, const std::string&)
{
    return fail(Error::Code::ReadOnly, "stub");
}
Result<std::size_t> MovieFile::removeAllItems() { return fail(Error::Code::ReadOnly, "stub"); }
Result<std::vector<Chapter>> MovieFile::chapters(ChapterType) const { return std::vector<Chapter>{}; }
Result<void> MovieFile::deleteChapters(ChapterType) { return fail(Error::Code::ReadOnly, "stub"); }
Result<std::uint32_t> MovieFile::setChapters(const std::vector<Chapter>&) { return fail(Error::Code::ReadOnly, "stub"); }
Result<std::uint32_t> MovieFile::addSubtitleTrack(std::uint32_t, std::uint16_t, std::uint16_t)
{
    return fail(Error::Code::ReadOnly, "stub");
}
Result<void> MovieFile::writeSample(std::uint32_t, std::span<const std::uint8_t>, std::uint64_t)
{
    return fail(Error::Code::ReadOnly, "stub");
}
Result<void> MovieFile::setTrackDurationPerChunk(std::uint32_t, std::uint64_t) { return fail(Error::Code::ReadOnly, "stub"); }
Result<void> MovieFile::deleteTrack(std::uint32_t) { return fail(Error::Code::ReadOnly, "stub"); }
Result<void> MovieFile::setTrackLanguage(std::uint32_t, const std::string&) { return fail(Error::Code::ReadOnly, "stub"); }
Result<void> MovieFile::setTrackFlags(std::uint32_t, std::uint32_t) { return fail(Error::Code::ReadOnly, "stub"); }
Result<void> MovieFile::setTrackAlternateGroup(std::uint32_t, std::uint16_t) { return fail(Error::Code::ReadOnly, "stub"); }
Result<void> MovieFile::setTrackMatrix(std::uint32_t, const Matrix&) { return fail(Error::Code::ReadOnly, "stub"); }
Result<void> MovieFile::setTx3gDescription(std::uint32_t, const Tx3gDescription&) { return fail(Error::Code::ReadOnly, "stub"); }

}  // namespace mp4
