// The bytes the library writes, box by box, against the layouts that readers expect: the
// tx3g description, the QuickTime chapter track, and the data types and integer widths of
// the tag set.
#include "mp4testutil.h"

#include <gtest/gtest.h>

#include <map>

using namespace mp4test;
using testsupport::MovieFactory;
using testsupport::MovieRecipe;

namespace {

// "00 01 'ab'" style: hexadecimal pairs and quoted text.
std::vector<std::uint8_t> bytes(const std::string& recipe)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < recipe.size();) {
        if (recipe[i] == ' ') {
            ++i;
        } else if (recipe[i] == '\'') {
            const std::size_t end = recipe.find('\'', i + 1);
            out.insert(out.end(), recipe.begin() + static_cast<std::ptrdiff_t>(i + 1),
                       recipe.begin() + static_cast<std::ptrdiff_t>(end));
            i = end + 1;
        } else {
            out.push_back(static_cast<std::uint8_t>(std::stoi(recipe.substr(i, 2), nullptr, 16)));
            i += 2;
        }
    }
    return out;
}

std::vector<std::uint8_t> zeros(std::size_t n)
{
    return std::vector<std::uint8_t>(n, 0);
}

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::uint32_t referencedChapterTrack(const mp4::Box& moov, std::uint32_t from)
{
    const mp4::Box* trak = trakWithId(moov, from);
    const mp4::Box* chap = trak ? trak->find({"tref", "chap"}) : nullptr;
    return chap && chap->payload.size() == 4 ? static_cast<std::uint32_t>(mp4::getBig(chap->payload, 0, 4)) : 0;
}

}  // namespace

TEST(Layout, SubtitleDescriptionHoldsEveryFieldWhereReadersLookForIt)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "sub.mp4");
    std::uint32_t id = 0;
    {
        auto movie = openModify(file);
        auto added = movie.addSubtitleTrack(600, 320, 36);
        ASSERT_TRUE(added);
        id = *added;
        mp4::Tx3gDescription d;
        d.displayFlags = 0x20000000;
        d.horizontalJustification = 1;
        d.verticalJustification = -1;
        d.bgColorRed = 0x10;
        d.bgColorGreen = 0x20;
        d.bgColorBlue = 0x30;
        d.bgColorAlpha = 0x40;
        d.defTextBoxTop = 1;
        d.defTextBoxLeft = 2;
        d.defTextBoxBottom = 36;
        d.defTextBoxRight = 320;
        d.startChar = 5;
        d.endChar = 6;
        d.fontID = 1;
        d.fontFace = 2;
        d.fontSize = 18;
        d.fontColorRed = 0xA0;
        d.fontColorGreen = 0xB0;
        d.fontColorBlue = 0xC0;
        d.fontColorAlpha = 0xFF;
        ASSERT_TRUE(movie.setTx3gDescription(id, d));
        ASSERT_TRUE(movie.setTrackLanguage(id, "deu"));
        ASSERT_TRUE(movie.setTrackFlags(id, 2));
        ASSERT_TRUE(movie.setTrackAlternateGroup(id, 3));
        mp4::Matrix matrix = mp4::identityMatrix();
        matrix[29] = 204;  // y = 204.0 in 16.16
        ASSERT_TRUE(movie.setTrackMatrix(id, matrix));
        const std::vector<std::uint8_t> hi{0, 2, 'H', 'i'};
        ASSERT_TRUE(movie.writeSample(id, hi, 300));
        ASSERT_TRUE(movie.close());
    }
    const mp4::Box moov = moovTree(file);
    const mp4::Box* trak = trakWithId(moov, id);
    ASSERT_NE(trak, nullptr);

    const mp4::Box* stsd = trak->find({"mdia", "minf", "stbl", "stsd"});
    ASSERT_NE(stsd, nullptr);
    const auto entry = bytes("00 00 00 40 'tx3g' 00 00 00 00 00 00 00 01") +  // header, data reference 1
                       bytes("20 00 00 00 01 FF 10 20 30 40") +               // flags, justification, background
                       bytes("00 01 00 02 00 24 01 40") +                     // text box top left bottom right
                       bytes("00 05 00 06 00 01 02 12 A0 B0 C0 FF") +         // style record
                       bytes("00 00 00 12 'ftab' 00 01 00 01 05 'Arial'");
    EXPECT_EQ(hex(stsd->payload), hex(bytes("00 00 00 00 00 00 00 01") + entry));

    const mp4::Box* hdlr = trak->find({"mdia", "hdlr"});
    ASSERT_NE(hdlr, nullptr);
    EXPECT_EQ(hex(hdlr->payload), hex(zeros(8) + bytes("'sbtl'") + zeros(13)));
    const mp4::Box* minf = trak->find({"mdia", "minf"});
    ASSERT_FALSE(minf->children.empty());
    EXPECT_EQ(minf->children.front().type, mp4::FourCC("nmhd"));
    EXPECT_EQ(hex(minf->children.front().payload), hex(zeros(4)));

    const mp4::Box* tkhd = trak->child(mp4::FourCC("tkhd"));
    ASSERT_NE(tkhd, nullptr);
    ASSERT_EQ(tkhd->payload.size(), 84u);
    EXPECT_EQ(mp4::getBig(tkhd->payload, 0, 4), 2u);           // version 0, flags "in movie"
    EXPECT_EQ(mp4::getBig(tkhd->payload, 34, 2), 3u);          // alternate group
    EXPECT_EQ(mp4::getBig(tkhd->payload, 36, 2), 0u);          // volume
    EXPECT_EQ(mp4::getBig(tkhd->payload, 68, 4), 204u << 16);  // matrix y
    EXPECT_EQ(mp4::getBig(tkhd->payload, 76, 4), 320u << 16);
    EXPECT_EQ(mp4::getBig(tkhd->payload, 80, 4), 36u << 16);
    const mp4::Box* mdhd = trak->find({"mdia", "mdhd"});
    EXPECT_EQ(mp4::getBig(mdhd->payload, 12, 4), 600u);
    EXPECT_EQ(mp4::getBig(mdhd->payload, 16, 4), 300u);
    EXPECT_EQ(mp4::getBig(mdhd->payload, 20, 2), 0x10B5u);  // "deu"
    EXPECT_EQ(trak->find({"mdia", "minf", "stbl", "stss"}), nullptr);
}

TEST(Layout, ChapterTrackIsTheQuickTimeTextTrackOfTheFormat)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "chapters.mp4");
    std::uint32_t video = 0;
    std::uint32_t id = 0;
    {
        auto movie = openModify(file);
        video = firstTrackOfType(movie, "vide");
        auto added = movie.setChapters({{1500, "Opening"}, {500, "End"}});
        ASSERT_TRUE(added);
        id = *added;
        ASSERT_TRUE(movie.close());
    }
    const mp4::Box moov = moovTree(file);
    EXPECT_EQ(referencedChapterTrack(moov, video), id);
    const mp4::Box* videoTrak = trakWithId(moov, video);
    ASSERT_GE(videoTrak->children.size(), 2u);
    EXPECT_EQ(videoTrak->children[1].type, mp4::FourCC("tref"));  // tkhd tref edts mdia

    const mp4::Box* trak = trakWithId(moov, id);
    ASSERT_NE(trak, nullptr);
    const mp4::Box* tkhd = trak->child(mp4::FourCC("tkhd"));
    EXPECT_EQ(mp4::getBig(tkhd->payload, 0, 4), 0x0Eu);  // in movie, preview and poster; not enabled
    EXPECT_EQ(mp4::getBig(tkhd->payload, 76, 8), 0u);    // no width, no height
    const mp4::Box* hdlr = trak->find({"mdia", "hdlr"});
    EXPECT_EQ(hex(hdlr->payload), hex(zeros(8) + bytes("'text'") + zeros(13)));
    const mp4::Box* mdhd = trak->find({"mdia", "mdhd"});
    EXPECT_EQ(mp4::getBig(mdhd->payload, 12, 4), 1000u);
    EXPECT_EQ(mp4::getBig(mdhd->payload, 16, 4), 2000u);

    const mp4::Box* minf = trak->find({"mdia", "minf"});
    ASSERT_FALSE(minf->children.empty());
    const mp4::Bytes gmhd = minf->children.front().serialize();
    EXPECT_EQ(hex(gmhd), hex(bytes("00 00 00 4C 'gmhd' 00 00 00 18 'gmin' 00 00 00 00 00 40 80 00 80 00 80 00 00 00 "
                                   "00 00 00 00 00 2C 'text' 00 01") +
                             zeros(14) + bytes("00 01") + zeros(14) + bytes("40 00 00 00")));
    const mp4::Box* stsd = trak->find({"mdia", "minf", "stbl", "stsd"});
    EXPECT_EQ(hex(stsd->payload), hex(bytes("00 00 00 00 00 00 00 01 00 00 00 3B 'text'") + zeros(6) +
                                      bytes("00 01 00 00 00 01 00 00 00 01") + zeros(6 + 8 + 8 + 13)));
    const mp4::Box* stts = trak->find({"mdia", "minf", "stbl", "stts"});
    EXPECT_EQ(hex(stts->payload),
              hex(bytes("00 00 00 00 00 00 00 02 00 00 00 01 00 00 05 DC 00 00 00 01 00 00 01 F4")));

    // The first sample, where the chunk offset points.
    const mp4::Box* stco = trak->find({"mdia", "minf", "stbl", "stco"});
    ASSERT_NE(stco, nullptr);
    const QByteArray whole = readAll(file);
    const auto offset = static_cast<qsizetype>(mp4::getBig(stco->payload, 8, 4));
    const auto sample = bytes("00 07 'Opening' 00 00 00 0C 'encd' 00 00 01 00");
    EXPECT_EQ(hex(bytesOf(whole.mid(offset, static_cast<qsizetype>(sample.size())))), hex(sample));
}

TEST(Layout, TagItemsUseTheDataTypesAndIntegerWidthsOfTheTable)
{
    MovieFactory factory;
    const QString file = factory.make(MovieRecipe{}, "tags.m4v");
    {
        auto movie = openModify(file);
        mp4::Tags t;
        t.name = "Title";
        t.genreType = 18;
        t.track = mp4::NumberPair{3, 12};
        t.disk = mp4::NumberPair{1, 2};
        t.tempo = 120;
        t.compilation = 1;
        t.gapless = 0;
        t.podcast = 0;
        t.hdVideo = 2;
        t.mediaType = 9;
        t.contentRating = 2;
        t.iTunesAccountType = 1;
        t.iTunesCountry = 143443;
        t.contentID = 123456789;
        t.artistID = 7;
        t.genreID = 8;
        t.composerID = 9;
        t.playlistID = 5000000000ull;
        t.tvSeason = 2;
        t.tvEpisode = 3;
        t.artwork = {{{0xFF, 0xD8, 0xFF, 0xE0}, mp4::ArtworkType::Jpeg},
                     {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, mp4::ArtworkType::Undefined}};
        ASSERT_TRUE(movie.setTags(t));
        ASSERT_TRUE(movie.close());
    }
    const mp4::Box moov = moovTree(file);
    const mp4::Box* meta = moov.find({"udta", "meta"});
    ASSERT_NE(meta, nullptr);
    EXPECT_EQ(hex(meta->payload), hex(zeros(4)));  // a full box
    const mp4::Box* hdlr = meta->child(mp4::FourCC("hdlr"));
    ASSERT_NE(hdlr, nullptr);
    EXPECT_EQ(hex(hdlr->payload), hex(zeros(8) + bytes("'mdir' 'appl'") + zeros(9)));
    const mp4::Box* ilst = meta->child(mp4::FourCC("ilst"));
    ASSERT_NE(ilst, nullptr);

    // code -> type and value of the first data box
    const std::map<std::string, std::string> expected{
        {"\xA9nam", "00 00 00 01 00 00 00 00 'Title'"},
        {"gnre", "00 00 00 00 00 00 00 00 00 12"},
        {"trkn", "00 00 00 00 00 00 00 00 00 00 00 03 00 0C 00 00"},
        {"disk", "00 00 00 00 00 00 00 00 00 00 00 01 00 02"},
        {"tmpo", "00 00 00 15 00 00 00 00 00 78"},
        {"cpil", "00 00 00 15 00 00 00 00 01"},
        {"pgap", "00 00 00 15 00 00 00 00 00"},
        {"pcst", "00 00 00 15 00 00 00 00 00"},
        {"hdvd", "00 00 00 15 00 00 00 00 02"},
        {"stik", "00 00 00 15 00 00 00 00 09"},
        {"rtng", "00 00 00 15 00 00 00 00 02"},
        {"akID", "00 00 00 15 00 00 00 00 01"},
        {"sfID", "00 00 00 15 00 00 00 00 00 02 30 53"},
        {"cnID", "00 00 00 15 00 00 00 00 07 5B CD 15"},
        {"atID", "00 00 00 15 00 00 00 00 00 00 00 07"},
        {"geID", "00 00 00 15 00 00 00 00 00 00 00 08"},
        {"cmID", "00 00 00 15 00 00 00 00 00 00 00 09"},
        {"plID", "00 00 00 15 00 00 00 00 00 00 00 01 2A 05 F2 00"},
        {"tvsn", "00 00 00 15 00 00 00 00 00 00 00 02"},
        {"tves", "00 00 00 15 00 00 00 00 00 00 00 03"},
    };
    std::map<std::string, std::string> written;
    std::vector<std::uint32_t> coverTypes;
    for (const mp4::Box& item : ilst->children) {
        const std::string code = item.type.bytes();
        ASSERT_FALSE(item.children.empty()) << code;
        EXPECT_EQ(item.children.size(), code == "covr" ? 2u : 1u) << code;
        if (code == "covr") {
            for (const mp4::Box& data : item.children) {
                coverTypes.push_back(static_cast<std::uint32_t>(mp4::getBig(data.payload, 0, 4)));
            }
        } else {
            EXPECT_TRUE(written.emplace(code, hex(item.children.front().payload)).second) << code << " twice";
        }
    }
    for (const auto& [code, value] : expected) {
        EXPECT_EQ(written[code], hex(bytes(value))) << code;
    }
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_EQ(coverTypes, (std::vector<std::uint32_t>{13, 14}));  // JPEG, and PNG found by its signature
}
