#include "mp4/itemlist.h"

#include <algorithm>

namespace mp4 {

namespace {

bool isItunesMeta(const Box& meta)
{
    const Box* hdlr = meta.child(FourCC("hdlr"));
    return meta.type == FourCC("meta") && meta.container && hdlr &&
           FourCC(static_cast<std::uint32_t>(getBig(hdlr->payload, 8, 4))) == FourCC("mdir");
}

Box* itunesMeta(Box& moov)
{
    Box* udta = moov.child(FourCC("udta"));
    if (!udta) {
        return nullptr;
    }
    for (Box& c : udta->children) {
        if (isItunesMeta(c)) {
            return &c;
        }
    }
    return nullptr;
}

std::string fullBoxText(const Box& b)
{
    if (b.payload.size() < 4) {
        return {};
    }
    return std::string(b.payload.begin() + 4, b.payload.end());
}

Box fullBoxWithText(FourCC type, const std::string& text)
{
    Bytes body(4, 0);
    body.insert(body.end(), text.begin(), text.end());
    return Box::leaf(type, std::move(body));
}

}  // namespace

const Box* ItemList::find(const Box& moov)
{
    return find(const_cast<Box&>(moov));
}

Box* ItemList::find(Box& moov)
{
    Box* meta = itunesMeta(moov);
    return meta ? meta->child(FourCC("ilst")) : nullptr;
}

Box& ItemList::ensure(Box& moov)
{
    Box* udta = moov.child(FourCC("udta"));
    if (!udta) {
        moov.children.push_back(Box::makeContainer(FourCC("udta")));
        udta = &moov.children.back();
    }
    Box* meta = itunesMeta(moov);
    if (!meta) {
        Box m = Box::makeContainer(FourCC("meta"), Bytes(4, 0));
        ByteWriter hdlr;
        hdlr.u32(0);
        hdlr.u32(0);
        hdlr.text("mdir");
        hdlr.text("appl");
        hdlr.zeros(9);
        m.children.push_back(Box::leaf(FourCC("hdlr"), hdlr.take()));
        udta->children.insert(udta->children.begin(), std::move(m));
        meta = &udta->children.front();
    }
    Box* ilst = meta->child(FourCC("ilst"));
    if (!ilst) {
        // Right after hdlr; padding that follows stays behind the list.
        auto at = std::find_if(meta->children.begin(), meta->children.end(),
                               [](const Box& c) { return c.type == FourCC("hdlr"); });
        at = at == meta->children.end() ? meta->children.begin() : at + 1;
        ilst = &*meta->children.insert(at, Box::makeContainer(FourCC("ilst")));
    }
    return *ilst;
}

void ItemList::prune(Box& moov)
{
    Box* udta = moov.child(FourCC("udta"));
    if (!udta) {
        return;
    }
    for (Box& meta : udta->children) {
        if (isItunesMeta(meta)) {
            std::erase_if(meta.children, [](const Box& c) { return c.type == FourCC("ilst") && c.children.empty(); });
        }
    }
    std::erase_if(udta->children, [](const Box& c) {
        return isItunesMeta(c) && std::all_of(c.children.begin(), c.children.end(), [](const Box& k) {
                   return k.type == FourCC("hdlr") || k.type == FourCC("free");
               });
    });
    if (udta->children.empty() &&
        std::all_of(udta->trailer.begin(), udta->trailer.end(), [](auto b) { return b == 0; })) {
        moov.removeChildren(FourCC("udta"));
    }
}

std::vector<Item> ItemList::items(const Box& moov)
{
    std::vector<Item> out;
    if (const Box* ilst = find(moov)) {
        for (const Box& b : ilst->children) {
            out.push_back(fromBox(b));
        }
    }
    return out;
}

std::vector<Item> ItemList::items(const Box& moov, FourCC code)
{
    std::vector<Item> out;
    if (const Box* ilst = find(moov)) {
        for (const Box& b : ilst->children) {
            if (b.type == code) {
                out.push_back(fromBox(b));
            }
        }
    }
    return out;
}

Item ItemList::fromBox(const Box& itemBox)
{
    Item item;
    item.code = itemBox.type;
    for (const Box& c : itemBox.children) {
        if (c.type == FourCC("mean")) {
            item.mean = fullBoxText(c);
        } else if (c.type == FourCC("name")) {
            item.name = fullBoxText(c);
        } else if (c.type == FourCC("data") && c.payload.size() >= 8) {
            ItemData d;
            d.typeCode = static_cast<std::uint32_t>(getBig(c.payload, 0, 4)) & 0xFFFFFF;
            d.locale = static_cast<std::uint32_t>(getBig(c.payload, 4, 4));
            d.value.assign(c.payload.begin() + 8, c.payload.end());
            if (c.inFileSize != 0) {
                d.inFile = FileRange{c.inFileOffset + 8, c.inFileSize - 8};
            }
            item.data.push_back(std::move(d));
        }
    }
    return item;
}

Box ItemList::toBox(const Item& item)
{
    Box b = Box::makeContainer(item.code);
    if (item.code == FourCC("----")) {
        b.children.push_back(fullBoxWithText(FourCC("mean"), item.mean));
        b.children.push_back(fullBoxWithText(FourCC("name"), item.name));
    }
    for (const ItemData& d : item.data) {
        ByteWriter w;
        w.u32(d.typeCode & 0xFFFFFF);
        w.u32(d.locale);
        w.bytes(d.value);
        Box data = Box::leaf(FourCC("data"), w.take());
        if (d.inFile) {
            data.inFileOffset = d.inFile->offset - 8;
            data.inFileSize = d.inFile->length + 8;
        }
        b.children.push_back(std::move(data));
    }
    return b;
}

}  // namespace mp4
