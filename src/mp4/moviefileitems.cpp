#include "mp4/moviefileimpl.h"

#include "mp4/itemlist.h"
#include "mp4/log.h"
#include "mp4/tagcodec.h"

#include <algorithm>

namespace mp4 {

std::size_t MovieFile::Impl::removeItemsWhere(const std::function<bool(const Item&)>& match)
{
    Box* ilst = ItemList::find(moov);
    if (!ilst) {
        return 0;
    }
    const std::size_t removed = static_cast<std::size_t>(
        std::erase_if(ilst->children, [&match](const Box& b) { return match(ItemList::fromBox(b)); }));
    if (removed) {
        ItemList::prune(moov);
        modified = true;
    }
    return removed;
}

void MovieFile::Impl::notePicturesInFile()
{
    const Box* ilst = ItemList::find(moov);
    const Box* covr = ilst ? ilst->child(FourCC("covr")) : nullptr;
    if (!covr) {
        return;
    }
    for (const Box& data : covr->children) {
        if (data.type == FourCC("data") && data.inFileSize > 8) {
            picturesInFile[data.inFileOffset + 8] = PictureInFile{data.inFileSize - 8, data.payload};
        }
    }
}

Result<Box> MovieFile::Impl::itemBox(const Item& item) const
{
    Box box = ItemList::toBox(item);
    for (Box& data : box.children) {
        if (data.inFileSize == 0) {
            continue;
        }
        // Only a picture that lies in the live moov, unchanged, may be copied from the file.
        const auto found = picturesInFile.find(data.inFileOffset + 8);
        if (found == picturesInFile.end() || found->second.length + 8 != data.inFileSize) {
            return fail(Error::Code::InvalidArgument, "no picture of the file lies at the place given");
        }
        data.payload = found->second.prefix;
    }
    return box;
}

Result<Bytes> MovieFile::Impl::readRange(const FileRange& range) const
{
    if (!file.isOpen()) {
        return fail(Error::Code::Closed, "file is closed");
    }
    Bytes bytes(static_cast<std::size_t>(range.length));
    if (auto r = file.readAt(range.offset, bytes); !r) {
        return std::unexpected(r.error());
    }
    return bytes;
}

void MovieFile::Impl::readValuesLeftInFile(std::vector<Item>& items) const
{
    for (Item& item : items) {
        std::erase_if(item.data, [this](ItemData& d) {
            if (!d.inFile) {
                return false;
            }
            auto bytes = readRange(*d.inFile);
            if (!bytes) {
                log("a picture could not be read (" + bytes.error().message + "): " + path.string());
                return true;
            }
            d.value = std::move(*bytes);
            d.inFile.reset();
            return false;
        });
    }
}

Tags MovieFile::tags(ArtworkBytes artwork) const
{
    std::vector<Item> all = ItemList::items(m_impl->moov);
    if (artwork == ArtworkBytes::Read) {
        m_impl->readValuesLeftInFile(all);
    }
    return TagCodec::decode(std::move(all));
}

Result<void> MovieFile::setTags(const Tags& tags)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    std::vector<Box> boxes;
    for (const Item& item : TagCodec::encode(tags)) {
        auto box = m_impl->itemBox(item);
        if (!box) {
            return std::unexpected(box.error());
        }
        boxes.push_back(std::move(*box));
    }
    const auto codes = TagCodec::knownCodes();
    m_impl->removeItemsWhere(
        [&codes](const Item& i) { return std::find(codes.begin(), codes.end(), i.code) != codes.end(); });
    for (Box& box : boxes) {
        ItemList::ensure(m_impl->moov).children.push_back(std::move(box));
    }
    ItemList::prune(m_impl->moov);
    m_impl->modified = true;
    return {};
}

std::vector<Item> MovieFile::items() const
{
    std::vector<Item> all = ItemList::items(m_impl->moov);
    m_impl->readValuesLeftInFile(all);
    return all;
}

std::vector<Item> MovieFile::itemsByCode(FourCC code) const
{
    auto found = ItemList::items(m_impl->moov, code);
    m_impl->readValuesLeftInFile(found);
    return found;
}

std::vector<Item> MovieFile::itemsByMeaning(const std::string& mean, const std::string& name) const
{
    auto found = ItemList::items(m_impl->moov, FourCC("----"));
    std::erase_if(found, [&](const Item& i) { return i.mean != mean || (!name.empty() && i.name != name); });
    m_impl->readValuesLeftInFile(found);
    return found;
}

Result<void> MovieFile::addItem(const Item& item)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    if (!item.code.isValid()) {
        return fail(Error::Code::InvalidArgument, "item without a code");
    }
    auto box = m_impl->itemBox(item);
    if (!box) {
        return std::unexpected(box.error());
    }
    ItemList::ensure(m_impl->moov).children.push_back(std::move(*box));
    m_impl->modified = true;
    return {};
}

Result<std::size_t> MovieFile::removeItems(FourCC code)
{
    if (auto r = m_impl->editable(); !r) {
        return std::unexpected(r.error());
    }
    return m_impl->removeItemsWhere([code](const Item& i) { return i.code == code; });
}

Result<std::size_t> MovieFile::removeItemsByMeaning(const std::string& mean, const std::string& name)
{
    if (auto r = m_impl->editable(); !r) {
        return std::unexpected(r.error());
    }
    return m_impl->removeItemsWhere(
        [&](const Item& i) { return i.code == FourCC("----") && i.mean == mean && (name.empty() || i.name == name); });
}

Result<std::size_t> MovieFile::removeAllItems()
{
    if (auto r = m_impl->editable(); !r) {
        return std::unexpected(r.error());
    }
    return m_impl->removeItemsWhere([](const Item&) { return true; });
}

}  // namespace mp4
