#include "mp4/box.h"

#include <algorithm>

namespace mp4 {

Box Box::leaf(FourCC type, Bytes body)
{
    Box b;
    b.type = type;
    b.payload = std::move(body);
    return b;
}

Box Box::makeContainer(FourCC type, Bytes prefix)
{
    Box b;
    b.type = type;
    b.container = true;
    b.payload = std::move(prefix);
    return b;
}

Box* Box::child(FourCC t)
{
    for (Box& c : children) {
        if (c.type == t) {
            return &c;
        }
    }
    return nullptr;
}

const Box* Box::child(FourCC t) const
{
    return const_cast<Box*>(this)->child(t);
}

Box* Box::find(std::initializer_list<FourCC> path)
{
    Box* at = this;
    for (FourCC t : path) {
        at = at->child(t);
        if (!at) {
            return nullptr;
        }
    }
    return at;
}

const Box* Box::find(std::initializer_list<FourCC> path) const
{
    return const_cast<Box*>(this)->find(path);
}

std::size_t Box::removeChildren(FourCC t)
{
    const auto before = children.size();
    std::erase_if(children, [t](const Box& c) { return c.type == t; });
    return before - children.size();
}

std::uint64_t Box::size() const
{
    std::uint64_t content = (inFileSize != 0 ? inFileSize : payload.size()) + trailer.size() + (hasUuid ? 16 : 0);
    for (const Box& c : children) {
        content += c.size();
    }
    return content + 8 > 0xFFFFFFFFull ? content + 16 : content + 8;
}

bool Box::isLoaded() const
{
    return inFileSize == 0 && std::all_of(children.begin(), children.end(), [](const Box& c) { return c.isLoaded(); });
}

namespace {

Bytes headerOf(std::uint64_t total, FourCC type)
{
    ByteWriter w;
    if (total > 0xFFFFFFFFull) {
        w.u32(1);
        w.u32(type.value());
        w.u64(total);
    } else {
        w.u32(static_cast<std::uint32_t>(total));
        w.u32(type.value());
    }
    return w.take();
}

}  // namespace

void Box::serializeAs(ByteChain& out, FourCC headerType) const
{
    out.append(headerOf(size(), headerType));
    if (hasUuid) {
        out.append(uuid);
    }
    if (inFileSize != 0) {
        out.appendFileRange(inFileOffset, inFileSize);  // unchanged: copied as it lies in the file
    } else {
        out.append(payload);
    }
    for (const Box& c : children) {
        c.serialize(out);
    }
    out.append(trailer);
}

void Box::serialize(Bytes& out) const
{
    const Bytes header = headerOf(size(), type);
    out.insert(out.end(), header.begin(), header.end());
    if (hasUuid) {
        out.insert(out.end(), uuid.begin(), uuid.end());
    }
    out.insert(out.end(), payload.begin(), payload.end());
    for (const Box& c : children) {
        c.serialize(out);
    }
    out.insert(out.end(), trailer.begin(), trailer.end());
}

Bytes Box::serialize() const
{
    Bytes out;
    out.reserve(static_cast<std::size_t>(size()));
    serialize(out);
    return out;
}

}  // namespace mp4
