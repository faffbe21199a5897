#include "mp4/moviefileimpl.h"

#include "mp4/itemlist.h"
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

Tags MovieFile::tags() const
{
    return TagCodec::decode(items());
}

Result<void> MovieFile::setTags(const Tags& tags)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    const auto codes = TagCodec::knownCodes();
    m_impl->removeItemsWhere(
        [&codes](const Item& i) { return std::find(codes.begin(), codes.end(), i.code) != codes.end(); });
    for (const Item& item : TagCodec::encode(tags)) {
        ItemList::ensure(m_impl->moov).children.push_back(ItemList::toBox(item));
    }
    ItemList::prune(m_impl->moov);
    m_impl->modified = true;
    return {};
}

std::vector<Item> MovieFile::items() const
{
    return ItemList::items(m_impl->moov);
}

std::vector<Item> MovieFile::itemsByCode(FourCC code) const
{
    auto all = items();
    std::erase_if(all, [code](const Item& i) { return i.code != code; });
    return all;
}

std::vector<Item> MovieFile::itemsByMeaning(const std::string& mean, const std::string& name) const
{
    auto all = items();
    std::erase_if(all, [&](const Item& i) {
        return i.code != FourCC("----") || i.mean != mean || (!name.empty() && i.name != name);
    });
    return all;
}

Result<void> MovieFile::addItem(const Item& item)
{
    if (auto r = m_impl->editable(); !r) {
        return r;
    }
    if (!item.code.isValid()) {
        return fail(Error::Code::InvalidArgument, "item without a code");
    }
    ItemList::ensure(m_impl->moov).children.push_back(ItemList::toBox(item));
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
