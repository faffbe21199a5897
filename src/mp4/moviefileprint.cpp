#include "mp4/moviefileimpl.h"

#include "mp4/fingerprint.h"
#include "mp4/itemlist.h"

namespace mp4 {

namespace {

// A box as reading holds it: its type, its bytes, where a body it left in the file lies (and
// the first bytes it kept of it), and its children. A box that is not there prints as a zero.
void addBox(Fingerprint& print, const Box* box)
{
    if (!box) {
        print.addNumber(0);
        return;
    }
    print.addNumber(box->type.value());
    print.addNumber(box->hasUuid ? 1 : 0);
    print.add(box->uuid);
    print.addNumber(box->payload.size());
    print.add(box->payload);
    print.addNumber(box->inFileOffset);
    print.addNumber(box->inFileSize);
    print.addNumber(box->children.size());
    for (const Box& child : box->children) {
        addBox(print, &child);
    }
    print.addNumber(box->trailer.size());
    print.add(box->trailer);
}

}  // namespace

std::uint64_t MovieFile::Impl::contentPrint() const
{
    Fingerprint print;
    addBox(print, ItemList::find(moov));
    addBox(print, moov.find({"udta", "chpl"}));
    const std::uint32_t track = ChapterList::findQuickTimeTrack(moov);
    print.addNumber(track);
    if (track != 0) {
        // Reading the samples loads the track's tables as well: it prints whole, with the places
        // of its samples.
        const auto samples = samplesOf(track);
        addBox(print, const_cast<Impl*>(this)->trak(track));
        if (!samples) {
            print.addNumber(1 + static_cast<std::uint64_t>(samples.error().code));
            return print.value();
        }
        for (const ChapterList::SampleData& sample : *samples) {
            print.addNumber(sample.bytes.size());
            print.add(sample.bytes);
            print.addNumber(sample.duration);
        }
    }
    return print.value();
}

}  // namespace mp4
