// The extended-data wrappers and the translation of legacy tags, through the simulated host.
//
// Expected values come from the tables below, written in the notation record(key).word (L: a
// 32-bit field in two words, high first; !: an inverted flag; b: a low byte; no parentheses:
// key (-2, 0); (n): key (-2, n); (m,n): key (m, n)) and parsed here, independently of the
// tables the plug-in carries.
#include "host/edata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "host/binding.h"
#include "host/late_bound_host.h"
#include "hostsim/sim_host.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"

namespace qz::host {
namespace {

using Bytes = std::vector<unsigned char>;

// A tag from its four characters, most significant first.
uint32_t Tag(const std::string& s) {
    uint32_t tag = 0;
    for (std::size_t i = 0; i < 4 && i < s.size(); ++i)
        tag = tag << 8 | static_cast<unsigned char>(s[i]);
    return tag;
}
uint32_t OtTag(const std::string& two) {
    return 0x6F740000u | static_cast<uint32_t>(static_cast<unsigned char>(two[0])) << 8 |
           static_cast<unsigned char>(two[1]);
}

constexpr uint32_t kPrefilledTag = 0x4F096649;

// ---- the expected tables -----------------------------------------------------------------------

struct ExpectedMap {
    const char* tag;
    std::size_t fields;
    uint32_t size;  // what a size query reports: the bytes the fields reach
    const char* rows;
};

const ExpectedMap kExpectedMaps[] = {
    {"pf05", 11, 22, "0=ot69.1, 2=ot20.3, 4=ot39.5, 6=ot38.5, 8=ot39.4, 10=ot23.5, 12=ot56.4, "
                     "14=ot41(2).2, 16=ot41(2).3, 18=ot94.4, 20=ot94(2).2"},
    {"pfDP", 36, 76, "0=ot21.3, 2=ot21.5, 4=ot59.3, 6=ot59.4, 8=ot22.1, 10=ot22.2, 12=ot22.3, "
                     "14=ot67.3, 16=ot67.4, 18=ot68.4L, 22=ot20.1, 24=ot20.2, 26=ot13.3, "
                     "28=ot19.0, 30=ot19.1, 32=ot68.0, 34=ot21.1, 36=ot68.1, 38=ot21.0, "
                     "40=ot27.5, 42=ot18.0, 44=ot18.2, 46=ot18.1, 48=ot21.4, 50=ot39.0, "
                     "52=ot39.1, 54=ot65.0L, 58=ot67.1, 60=ot18.5, 62=ot67.0, 64=ot18.3, "
                     "66=ot18.4, 68=ot14.4, 70=ot14.5, 74=ot01.5, 72=ot77(4).0"},
    {"pfEX", 25, 50, "0=ot77(4).1, 2=ot77(4).2, 4=ot77(4).3, 6=ot77(4).4, 8=ot77(4).5, "
                     "10=ot77(5).0, 12=ot77(5).1, 14=ot77(5).2, 16=ot77(5).3, 18=ot77(5).4, "
                     "20=ot77(5).5, 22=ot77(6).0, 24=ot77(6).1, 26=ot77(6).2, 28=ot77(6).3, "
                     "30=ot77(6).4, 32=ot77(6).5, 34=ot77(7).0, 36=ot77(7).1, 38=ot77(7).2, "
                     "40=ot77(7).3, 46=ot77(7).4, 48=ot77(7).5, 42=ot77(8).0, 44=ot77(8).1"},
    {"pfMS", 49, 104, "0=ot36.4, 2=ot03.4, 4=ot03.5, 6=ot09.5, 8=ot36.2, 10=ot36.3, 12=ot36.1!, "
                      "14=ot41.0, 16=ot41.1, 18=ot20.0, 20=ot27.1, 22=ot01.0, 24=ot13.2, "
                      "26=ot15.4, 28=ot27.0, 30=ot27.4, 32=ot44.4, 34=ot27.2, 36=ot12.2, "
                      "38=ot12.3, 40=ot12.1, 42=ot41(2).1, 44=ot23.1, 46=ot19.2, 48=ot19.3, "
                      "50=ot31.5, 52=ot19.4b, 54=ot19.5b, 56=ot44.3, 58=ot05.4, 60=ot05.5, "
                      "62=ot13.0, 64=ot41.5, 66=ot12.4, 68=ot01.1, 70=ot93.4, 72=ot76.4, "
                      "74=ot93.2, 76=ot76.3, 78=ot17.5, 80=ot23.4, 82=ot16.5, 84=ot62.0L, "
                      "88=ot62.2L, 92=ot41(2).0, 94=ot41.2, 96=ot41(1).3L, 100=ot76.5, "
                      "102=otFI(10,0).2"},
    {"pfPB", 11, 44, "0=ot65.2L, 4=ot60.2L, 8=ot65.4L, 12=ot60.4L, 16=ot61.0L, 20=ot61.2L, "
                     "24=ot61.4L, 28=ot60.0L, 32=ot64.2L, 36=ot45.2L, 40=ot45.4L"},
    {"pfPF", 22, 48, "0=ot14.0L, 4=ot15.2L, 8=ot39.2, 10=ot16.0, 12=ot16.1, 14=ot16.2, "
                     "16=ot16.3, 18=ot02.0, 20=ot02.1, 22=ot02.2, 24=ot02.3, 26=ot17.0, "
                     "28=ot17.1, 30=ot17.3, 32=ot17.2, 34=ot01.4, 36=ot02.4, 38=ot13.5, "
                     "40=ot13.4, 42=ot02.5, 44=ot03.0, 46=ot03.1"},
    {"pfPL", 7, 14, "0=ot13.1, 2=ot39.3, 4=ot36.0, 6=ot36.5, 8=ot37.0, 10=ot37.1, 12=ot37.2"},
    {"pfRP", 20, 40, "0=ot70.0, 2=ot70.1, 4=ot70.2, 6=ot70.3, 8=ot70.4, 10=ot70.5, 12=ot71.0, "
                     "14=ot71.1, 16=ot71.2, 18=ot71.3, 20=ot71.4, 22=ot71.5, 24=ot05.3, "
                     "26=ot72.0, 28=ot76.2, 30=ot72.1, 32=ot72.2, 34=ot72.3, 36=ot72.4, "
                     "38=ot72.5"},
    {"pfSI", 23, 54, "0=ot67.2, 2=ot58.4, 4=ot68.2L, 8=ot62.4L, 12=ot03.3, 14=ot23.0, "
                     "16=ot14.2, 18=ot64.1, 20=ot27.3, 22=ot58.5, 24=ot59.0, 26=ot59.1, "
                     "28=ot01.2, 30=ot59.2, 32=ot01.3, 34=ot97.0L, 38=ot20.4, 40=ot20.5, "
                     "42=ot03.2, 44=ot21.2, 46=ot64.5, 48=ot97.2L, 52=ot69.0"},
    // The widths add up to 96, but the six low-byte fields leave gaps: the fields reach 108.
    {"pfSS", 43, 108, "0=ot92.0, 2=ot92.1, 4=ot92.2, 6=ot92.3, 8=otFI(11,0).0, 10=otFI(11,0).1, "
                      "12=otFI(12,0).4, 14=otFI(11,0).4, 16=otFI(12,0).0L, 20=otFI(12,0).2L, "
                      "24=otFI(11,0).2, 26=otFI(11,0).5, 28=ot12.5b, 32=ot11.5b, 36=ot69.4b, "
                      "40=ot69.5b, 44=ot69.2b, 48=ot69.3b, 52=ot51.5, 54=ot53.5, 56=ot51.4, "
                      "58=ot53.4, 60=ot50.4, 62=ot53(1).0, 64=ot53(1).1, 66=ot53(1).2, "
                      "68=ot53(1).3, 70=ot51.0L, 74=ot51.2L, 78=ot53.2, 80=ot53.0, 82=ot53.1, "
                      "84=ot93.0L, 88=ot53.3, 90=ot50.5, 92=ot50.0, 94=ot50.1, 96=ot50.2, "
                      "98=ot50.3, 100=ot97(1).0, 102=ot97(1).1, 104=ot97(1).2, 106=ot97(1).3"},
};

// An ot record as the host stores it: tag characters and the two key words.
struct RecordId {
    std::string chars;
    int16_t key1;
    int16_t key2;
    bool operator==(const RecordId&) const = default;
    bool operator<(const RecordId& o) const {
        return std::tie(chars, key1, key2) < std::tie(o.chars, o.key1, o.key2);
    }
    std::string Text() const {
        return "ot" + chars + "(" + std::to_string(key1) + "," + std::to_string(key2) + ")";
    }
};

struct Row {
    int offset;
    RecordId record;
    int word;
    char kind;  // ' ' plain, 'L' 32-bit, '!' inverted, 'b' low byte
    int Width() const { return kind == 'L' ? 4 : 2; }
    std::string Text() const {
        return std::to_string(offset) + "=" + record.Text() + "." + std::to_string(word) + kind;
    }
};

std::vector<Row> ParseRows(const std::string& text) {
    static const std::regex kRow(R"((\d+)=ot(..)(?:\((-?\d+)(?:,(-?\d+))?\))?\.(\d)([L!b]?))");
    std::vector<Row> rows;
    for (std::sregex_iterator m(text.begin(), text.end(), kRow), end; m != end; ++m) {
        const std::smatch& g = *m;
        RecordId id{g[2].str(), -2, 0};
        if (g[4].matched) id.key1 = static_cast<int16_t>(std::stoi(g[3].str()));
        if (g[3].matched) id.key2 = static_cast<int16_t>(std::stoi(g[g[4].matched ? 4 : 3].str()));
        rows.push_back({std::stoi(g[1].str()), id, g[5].str()[0] - '0', g[6].length() ? g[6].str()[0] : ' '});
    }
    return rows;
}

// Distinct records in the order the rows first name them.
std::vector<RecordId> RecordsInOrder(const std::vector<Row>& rows) {
    std::vector<RecordId> order;
    for (const Row& r : rows)
        if (std::find(order.begin(), order.end(), r.record) == order.end()) order.push_back(r.record);
    return order;
}

uint32_t FieldAt(const Bytes& legacy, int offset, int width) {
    uint32_t v = 0;
    for (int i = 0; i < width; ++i)
        v |= static_cast<uint32_t>(legacy[static_cast<std::size_t>(offset + i)]) << (8 * i);
    return v;
}
uint32_t FieldAt(const Bytes& legacy, const Row& row) { return FieldAt(legacy, row.offset, row.Width()); }

void PutField(Bytes& legacy, const Row& row, uint32_t v) {
    for (int i = 0; i < row.Width(); ++i)
        legacy[static_cast<std::size_t>(row.offset + i)] = static_cast<unsigned char>(v >> (8 * i));
}

using Words = std::vector<uint16_t>;  // the six words of an ot record

// What a load must put into the legacy field for these record words.
uint32_t ExpectedField(const Row& row, const Words& w) {
    const uint16_t word = w[static_cast<std::size_t>(row.word)];
    switch (row.kind) {
        case 'L': return static_cast<uint32_t>(word) << 16 | w[static_cast<std::size_t>(row.word + 1)];
        case '!': return word == 0 ? 1 : 0;
        case 'b': return word & 0xFFu;
        default: return word;
    }
}

// ---- a host that records the ot traffic --------------------------------------------------------

struct EDataCall {
    bool save;
    uint32_t tag;
    RecordId key;  // the first two key words, whatever the tag
    int32_t length;  // saves: the length; loads: the room the size variable gave
    Bytes data;      // saves: the bytes saved
    uint32_t version;
};
std::vector<EDataCall>& Traffic() {
    static std::vector<EDataCall> calls;
    return calls;
}

RecordId KeyWords(uint32_t tag, const void* key) {
    int16_t w[2] = {0, 0};
    if (key != nullptr) std::memcpy(w, key, sizeof w);
    std::string chars;
    chars += static_cast<char>((tag >> 8) & 0xFF);
    chars += static_cast<char>(tag & 0xFF);
    return {chars, w[0], w[1]};
}

int16_t RecordingLoad(uint32_t tag, void* key, void* buffer, uint32_t* size, uint32_t version) {
    Traffic().push_back({false, tag, KeyWords(tag, key),
                         size ? static_cast<int32_t>(*size) : -1, {}, version});
    return hostsim::SimHost::Current()->LoadEData(tag, key, buffer, size, version);
}

int16_t RecordingSave(uint32_t tag, const void* key, const void* buffer, int32_t size,
                      uint32_t version) {
    const unsigned char* b = static_cast<const unsigned char*>(buffer);
    Bytes data = b != nullptr && size > 0 ? Bytes(b, b + size) : Bytes{};
    Traffic().push_back({true, tag, KeyWords(tag, key), size, data, version});
    return hostsim::SimHost::Current()->SaveEData(tag, key, buffer, size, version);
}

class EDataTest : public ::testing::Test {
protected:
    void SetUp() override { Install(); }
    void TearDown() override {
        platform::stand_in::Reset();
    }

    void Install() {
        hostsim::InstallInStandIn(sim_);
        platform::ModuleHandle module = platform::stand_in::AddModule("FINALE.EXE");
        if (!sim_.IsAbsent("FX_LoadEData"))
            platform::stand_in::AddProcedure(module, "FX_LoadEData",
                                             reinterpret_cast<platform::ProcAddress>(&RecordingLoad));
        if (!sim_.IsAbsent("FX_SaveEData"))
            platform::stand_in::AddProcedure(module, "FX_SaveEData",
                                             reinterpret_cast<platform::ProcAddress>(&RecordingSave));
        Traffic().clear();
        binding_.reset();
        real_ = std::make_unique<LateBoundHost>();
        binding_ = std::make_unique<HostBinding>(*real_);
    }

    void PutOt(const RecordId& id, const Words& words) {
        Bytes bytes(12);
        for (std::size_t w = 0; w < 6; ++w) {
            bytes[2 * w] = static_cast<unsigned char>(words[w]);
            bytes[2 * w + 1] = static_cast<unsigned char>(words[w] >> 8);
        }
        PutRaw(OtTag(id.chars), id.key1, id.key2, bytes);
    }
    void PutRaw(uint32_t tag, int64_t first, int64_t second, const Bytes& bytes) {
        doc_.EData()[{tag, first, second}] = bytes;
    }
    const Bytes* Stored(uint32_t tag, int64_t first, int64_t second) {
        auto it = doc_.EData().find({tag, first, second});
        return it == doc_.EData().end() ? nullptr : &it->second;
    }
    Words StoredWords(const RecordId& id) {
        const Bytes* b = Stored(OtTag(id.chars), id.key1, id.key2);
        Words w(6, 0);
        if (b == nullptr || b->size() < 12) return w;
        for (std::size_t i = 0; i < 6; ++i)
            w[i] = static_cast<uint16_t>((*b)[2 * i] | (*b)[2 * i + 1] << 8);
        return w;
    }

    std::vector<EDataCall> Loads() const { return Only(false); }
    std::vector<EDataCall> Saves() const { return Only(true); }
    static std::vector<EDataCall> Only(bool saves) {
        std::vector<EDataCall> out;
        for (const EDataCall& c : Traffic())
            if (c.save == saves) out.push_back(c);
        return out;
    }

    int Load(uint32_t tag, int16_t c, void* buffer, uint32_t* size) {
        unsigned char key[8] = {};
        std::memcpy(key, &c, sizeof c);
        return binding_->LoadEData(tag, key, buffer, size, kCallVersion);
    }
    int Save(uint32_t tag, int16_t c, const void* buffer, int32_t length,
             uint32_t version = kCallVersion) {
        unsigned char key[8] = {};
        std::memcpy(key, &c, sizeof c);
        return binding_->SaveEData(tag, key, buffer, length, version);
    }

    hostsim::SimHost sim_;
    hostsim::Document& doc_ = sim_.AddDocument();
    std::unique_ptr<LateBoundHost> real_;
    std::unique_ptr<HostBinding> binding_;
};

// Record words that a load followed by an unchanged save gives back exactly: inverted flags
// hold 0 or 1 and low bytes are stored as the sign extension of themselves.
Words RoundTripWords(std::size_t r, const std::vector<Row>& rows, const RecordId& id) {
    Words w(6);
    for (std::size_t i = 0; i < 6; ++i)
        w[i] = static_cast<uint16_t>(0x1000 * (r % 15 + 1) + 0x100 * i + 0x11 * (r % 16));
    for (const Row& row : rows) {
        if (!(row.record == id)) continue;
        const std::size_t i = static_cast<std::size_t>(row.word);
        if (row.kind == '!') w[i] = static_cast<uint16_t>(r % 2);
        if (row.kind == 'b') w[i] = (r + i) % 2 ? uint16_t{0xFF90} : uint16_t{0x0042};
    }
    return w;
}

// ---- field maps --------------------------------------------------------------------------------

TEST_F(EDataTest, HandPickedFieldsLandWhereTheirRowsSay) {
    PutOt({"41", -2, 2}, {0x0100, 0x0101, 0xBEEF, 0xCAFE, 0x0104, 0x0105});
    PutOt({"36", -2, 0}, {0, 0, 0, 0, 0, 0});
    PutOt({"19", -2, 0}, {1, 2, 3, 4, 0xABCD, 0x7F80});
    PutOt({"65", -2, 0}, {0x0A0B, 0x0C0D, 0x1234, 0x5678, 0x9ABC, 0xDEF0});
    PutOt({"FI", 12, 0}, {0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0});
    struct Case {
        const char* tag;
        int offset;
        int width;
        uint32_t expected;
    };
    const Case cases[] = {
        {"pf05", 14, 2, 0xBEEF},      {"pf05", 16, 2, 0xCAFE},
        {"pfMS", 12, 2, 1},           // ot36.1 inverted: word 0 reads as 1
        {"pfMS", 52, 2, 0x00CD},      // ot19.4 low byte, zero-extended
        {"pfMS", 54, 2, 0x0080},      // ot19.5 low byte
        {"pfPB", 0, 4, 0x12345678},   // ot65.2L: high half in word 2
        {"pfPB", 8, 4, 0x9ABCDEF0},   // ot65.4L
        {"pfSS", 12, 2, 0x090A},      // otFI(12,0).4
        {"pfSS", 16, 4, 0x01020304},  // otFI(12,0).0L
        {"pfDP", 54, 4, 0x0A0B0C0D},  // ot65.0L
    };
    for (const Case& c : cases) {
        Bytes legacy(120, 0xEE);
        uint32_t size = 120;
        ASSERT_EQ(Load(Tag(c.tag), 0, legacy.data(), &size), 1) << c.tag;
        EXPECT_EQ(FieldAt(legacy, c.offset, c.width), c.expected) << c.tag << " offset " << c.offset;
    }
}

TEST_F(EDataTest, EveryFieldMapLoadsEveryFieldOnceFromItsRecord) {
    for (const ExpectedMap& map : kExpectedMaps) {
        const std::vector<Row> rows = ParseRows(map.rows);
        ASSERT_EQ(rows.size(), map.fields) << map.tag;
        const std::vector<RecordId> records = RecordsInOrder(rows);
        const uint32_t tag = Tag(map.tag);

        // Records the host lacks read as zero; an inverted flag then reads as set.
        doc_.EData().clear();
        Bytes legacy(map.size + 16, 0xEE);
        uint32_t size = map.size;
        ASSERT_EQ(Load(tag, 0, legacy.data(), &size), 1) << map.tag;
        for (const Row& row : rows)
            EXPECT_EQ(FieldAt(legacy, row), row.kind == '!' ? 1u : 0u) << map.tag << " " << row.Text();

        std::map<RecordId, Words> words;
        for (std::size_t r = 0; r < records.size(); ++r) {
            Words w(6);
            for (std::size_t i = 0; i < 6; ++i)  // distinct everywhere, high bytes non-zero
                w[i] = static_cast<uint16_t>((r + 1) << 8 | ((i * 37 + r * 11 + 0x80) & 0xFF));
            words[records[r]] = w;
            PutOt(records[r], w);
        }
        Traffic().clear();
        sim_.ClearCalls();
        legacy.assign(map.size + 16, 0xEE);
        ASSERT_EQ(Load(tag, 0, legacy.data(), &size), 1) << map.tag;
        EXPECT_EQ(size, map.size) << map.tag;

        std::vector<bool> covered(legacy.size(), false);
        for (const Row& row : rows) {
            EXPECT_EQ(FieldAt(legacy, row), ExpectedField(row, words[row.record]))
                << map.tag << " " << row.Text();
            for (int i = 0; i < row.Width(); ++i) covered[static_cast<std::size_t>(row.offset + i)] = true;
        }
        for (std::size_t i = 0; i < legacy.size(); ++i)
            if (!covered[i]) {
                EXPECT_EQ(legacy[i], 0xEE) << map.tag << " wrote byte " << i;
            }

        const std::vector<EDataCall> loads = Loads();
        ASSERT_EQ(loads.size(), records.size()) << map.tag << ": one load per distinct record";
        for (std::size_t r = 0; r < records.size(); ++r) {
            EXPECT_EQ(loads[r].tag, OtTag(records[r].chars)) << map.tag << " load " << r;
            EXPECT_EQ(loads[r].key, records[r]) << map.tag << " load " << r << ": " << loads[r].key.Text();
            EXPECT_EQ(loads[r].length, 12) << map.tag;
            EXPECT_EQ(loads[r].version, kCallVersion) << map.tag;
        }
        EXPECT_TRUE(Saves().empty()) << map.tag;
        for (const hostsim::Call& call : sim_.Calls())
            EXPECT_EQ(call.args.back(), int64_t{kCallVersion}) << map.tag << " " << call.name;
    }
}

// The field's new legacy value, and what its record word(s) must hold after the save.
uint32_t ChangeField(const Row& row, uint32_t field, Words& expected) {
    const std::size_t w = static_cast<std::size_t>(row.word);
    switch (row.kind) {
        case 'L':
            expected[w] = static_cast<uint16_t>((field ^ 0x12345678u) >> 16);
            expected[w + 1] = static_cast<uint16_t>(field ^ 0x12345678u);
            return field ^ 0x12345678u;
        case '!':  // any non-zero field is "set"
            expected[w] = field == 0 ? 0 : 1;
            return field == 0 ? 5 : 0;
        case 'b': {  // the high byte of the field is ignored; the low byte goes back sign-extended
            const uint32_t low = (field ^ 0x80) & 0xFF;
            expected[w] = static_cast<uint16_t>(static_cast<int8_t>(low));
            return 0x3300 | low;
        }
        default:
            expected[w] = static_cast<uint16_t>(field ^ 0x5A5Au);
            return field ^ 0x5A5Au;
    }
}

TEST_F(EDataTest, SavingAFieldMapSavesOnlyTheRecordsWhoseFieldsChanged) {
    for (const ExpectedMap& map : kExpectedMaps) {
        const std::vector<Row> rows = ParseRows(map.rows);
        const std::vector<RecordId> records = RecordsInOrder(rows);
        const uint32_t tag = Tag(map.tag);
        std::map<RecordId, Words> before;
        for (std::size_t r = 0; r < records.size(); ++r) before[records[r]] = RoundTripWords(r, rows, records[r]);
        auto loadFresh = [&] {
            doc_.EData().clear();
            for (const auto& [id, words] : before) PutOt(id, words);
            Bytes legacy(map.size, 0);
            uint32_t size = map.size;
            EXPECT_EQ(Load(tag, 0, legacy.data(), &size), 1) << map.tag;
            Traffic().clear();
            return legacy;
        };

        Bytes legacy = loadFresh();
        EXPECT_EQ(Save(tag, 0, legacy.data(), static_cast<int32_t>(map.size)), 1) << map.tag;
        EXPECT_TRUE(Saves().empty()) << map.tag << ": an unchanged map saved " << Saves().size();
        // The save reads every record once, in the same order as a load.
        const std::vector<EDataCall> loads = Loads();
        ASSERT_EQ(loads.size(), records.size()) << map.tag;
        for (std::size_t r = 0; r < records.size(); ++r) EXPECT_EQ(loads[r].key, records[r]) << map.tag;

        for (const Row& row : rows) {
            const std::string what = std::string(map.tag) + " " + row.Text();
            legacy = loadFresh();
            Words expected = before[row.record];
            PutField(legacy, row, ChangeField(row, FieldAt(legacy, row), expected));
            ASSERT_EQ(Save(tag, 0, legacy.data(), static_cast<int32_t>(map.size)), 1) << what;
            const std::vector<EDataCall> saves = Saves();
            ASSERT_EQ(saves.size(), 1u) << what;
            EXPECT_EQ(saves[0].tag, OtTag(row.record.chars)) << what;
            EXPECT_EQ(saves[0].key, row.record) << what;
            EXPECT_EQ(saves[0].length, 12) << what;
            for (const RecordId& id : records)
                EXPECT_EQ(StoredWords(id), id == row.record ? expected : before[id]) << what << " " << id.Text();
        }
    }
}

TEST_F(EDataTest, ALowByteIsLoadedZeroExtendedAndSavedSignExtended) {
    // pfMS offset 52 is ot19 word 4, a low byte.
    struct Case {
        uint16_t stored;
        uint16_t loaded;
        bool saved;
        uint16_t after;
    };
    const Case cases[] = {
        {0x0042, 0x0042, false, 0x0042}, {0xFF85, 0x0085, false, 0xFF85},
        {0x1285, 0x0085, true, 0xFF85},  {0x0085, 0x0085, true, 0xFF85},
        {0xFF42, 0x0042, true, 0x0042},  {0x1242, 0x0042, true, 0x0042},
        {0xFFFF, 0x00FF, false, 0xFFFF}, {0x0000, 0x0000, false, 0x0000},
    };
    const RecordId ot19{"19", -2, 0};
    for (const Case& c : cases) {
        doc_.EData().clear();
        PutOt(ot19, {0, 0, 0, 0, c.stored, 0});
        Bytes legacy(104, 0);
        uint32_t size = 104;
        ASSERT_EQ(Load(Tag("pfMS"), 0, legacy.data(), &size), 1);
        EXPECT_EQ(FieldAt(legacy, 52, 2), c.loaded) << std::hex << "stored 0x" << c.stored;
        Traffic().clear();
        ASSERT_EQ(Save(Tag("pfMS"), 0, legacy.data(), 104), 1);
        // Only ot19 matters here; the other records of the map are missing.
        bool saved19 = false;
        for (const EDataCall& s : Saves()) saved19 |= s.key == ot19;
        EXPECT_EQ(saved19, c.saved) << std::hex << "stored 0x" << c.stored;
        EXPECT_EQ(StoredWords(ot19)[4], c.after) << std::hex << "stored 0x" << c.stored;
    }
}

// ---- record arrays -----------------------------------------------------------------------------

struct ExpectedRule {
    const char* tag;
    const char* record;
    int count;
    bool firstIsCMinusOne;
    int maxC;  // 0: any c; else 1 <= c <= maxC
};

const ExpectedRule kExpectedRules[] = {
    {"pfGD", "79", 1, false, 0},  {"pfGG", "88", 11, false, 0}, {"pfGb", "98", 1, true, 4},
    {"pfGd", "80", 1, false, 0},  {"pfGs", "91", 1, false, 1},  {"pfMM", "25", 2, false, 0},
    {"pfND", "04", 1, false, 0},  {"pfNd", "66", 1, false, 0},  {"pfPF", "77", 4, false, 1},
    {"pfSC", "52", 2, false, 0},  {"pfSN", "40", 1, true, 128}, {"pfSP", "94", 3, false, 0},
    {"pfSl", "26", 1, true, 15},  {"pfTC", "86", 5, false, 0},  {"pfTI", "84", 4, false, 0},
    {"pfTX", "78", 9, false, 0},  {"pfTp", "85", 4, false, 0},  {"pfTs", "90", 1, true, 9},
};

std::vector<int16_t> CsToTry(const ExpectedRule& rule) {
    std::vector<int16_t> cs = {1, 2, 3, -1, -2, 32767, -32768};
    if (std::string(rule.tag) != "pfPF") cs.push_back(0);  // pfPF's c = 0 is its field map, loaded above
    if (rule.maxC > 0) {
        cs.push_back(static_cast<int16_t>(rule.maxC));
        cs.push_back(static_cast<int16_t>(rule.maxC + 1));
    }
    return cs;
}

Bytes RecordBytes(const ExpectedRule& rule, int i, int16_t c) {
    Bytes b(12);
    for (std::size_t k = 0; k < 12; ++k)
        b[k] = static_cast<unsigned char>(rule.record[1] + 7 * i + k * 13 + c);
    return b;
}

TEST_F(EDataTest, EveryRecordArraySavesAndLoadsItsRecordsForTheCsItAccepts) {
    for (const ExpectedRule& rule : kExpectedRules) {
        const uint32_t tag = Tag(rule.tag);
        for (int16_t c : CsToTry(rule)) {
            const std::string what = std::string(rule.tag) + " c = " + std::to_string(c);
            const bool accepted = rule.maxC == 0 || (c >= 1 && c <= rule.maxC);
            const int first = rule.firstIsCMinusOne ? c - 1 : 0;
            const std::size_t bytes = 12u * static_cast<std::size_t>(rule.count);
            Bytes records;
            for (int i = 0; i < rule.count; ++i) {
                const Bytes r = RecordBytes(rule, i, c);
                records.insert(records.end(), r.begin(), r.end());
            }
            doc_.EData().clear();
            Traffic().clear();
            EXPECT_EQ(Save(tag, c, records.data(), static_cast<int32_t>(bytes)), accepted ? 1 : 0) << what;
            Bytes buffer(bytes + 8, 0xEE);
            uint32_t size = static_cast<uint32_t>(bytes);
            if (!accepted) {
                EXPECT_EQ(Load(tag, c, buffer.data(), &size), 0) << what;
                EXPECT_EQ(size, bytes) << what;
                EXPECT_TRUE(Traffic().empty()) << what;
                EXPECT_EQ(buffer, Bytes(bytes + 8, 0xEE)) << what;
                continue;
            }
            const std::vector<EDataCall> saves = Saves();
            ASSERT_EQ(saves.size(), static_cast<std::size_t>(rule.count)) << what;
            EXPECT_TRUE(Loads().empty()) << what;
            EXPECT_EQ(doc_.EData().size(), static_cast<std::size_t>(rule.count)) << what;
            for (int i = 0; i < rule.count; ++i) {
                const RecordId id{rule.record, -2, static_cast<int16_t>(first + i)};
                EXPECT_EQ(saves[static_cast<std::size_t>(i)].key, id) << what << ": record " << i;
                EXPECT_EQ(saves[static_cast<std::size_t>(i)].length, 12) << what;
                const Bytes* stored = Stored(OtTag(rule.record), id.key1, id.key2);
                ASSERT_NE(stored, nullptr) << what << ": " << id.Text();
                EXPECT_EQ(*stored, RecordBytes(rule, i, c)) << what;
            }

            Traffic().clear();
            ASSERT_EQ(Load(tag, c, buffer.data(), &size), 1) << what;
            EXPECT_EQ(size, bytes) << what;
            EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(bytes)), records) << what;
            EXPECT_EQ(Bytes(buffer.begin() + static_cast<long>(bytes), buffer.end()), Bytes(8, 0xEE)) << what;
            const std::vector<EDataCall> loads = Loads();
            ASSERT_EQ(loads.size(), static_cast<std::size_t>(rule.count)) << what;
            for (int i = 0; i < rule.count; ++i) {
                const EDataCall& l = loads[static_cast<std::size_t>(i)];
                EXPECT_EQ(l.tag, OtTag(rule.record)) << what;
                EXPECT_EQ(l.key, (RecordId{rule.record, -2, static_cast<int16_t>(first + i)})) << what;
                EXPECT_EQ(l.length, 12) << what;
            }
        }
    }
}

TEST_F(EDataTest, RecordArraysCopyWhatTheHostDeliversAndNoMore) {
    // pfSP: three ot94 records. The first is missing, the second short, the third too long.
    PutRaw(OtTag("94"), -2, 1, Bytes(6, 0x61));
    PutRaw(OtTag("94"), -2, 2, Bytes(20, 0x62));
    Bytes buffer(36, 0xEE);
    uint32_t size = 36;
    ASSERT_EQ(Load(Tag("pfSP"), 0, buffer.data(), &size), 1);
    EXPECT_EQ(size, 36u);
    Bytes expected(12, 0);                      // a failed load gives zeros
    expected.insert(expected.end(), 6, 0x61);   // six bytes delivered...
    expected.insert(expected.end(), 6, 0xEE);   // ...the rest is left as it was
    expected.insert(expected.end(), 12, 0x62);  // never more than 12 of a longer record
    EXPECT_EQ(buffer, expected);
}

// ---- both kinds: size queries and too little room ----------------------------------------------

TEST_F(EDataTest, TranslatedTagsAnswerSizeQueriesAndRefuseTooLittleRoomWithoutAskingTheHost) {
    struct Sized {
        std::string tag;
        int16_t c;
        uint32_t size;
    };
    std::vector<Sized> tags = {{"pfTX", 0, 108}};
    for (const ExpectedMap& map : kExpectedMaps) tags.push_back({map.tag, 0, map.size});
    for (const ExpectedRule& rule : kExpectedRules)  // c = 1 is accepted by every rule
        tags.push_back({rule.tag, 1, 12u * static_cast<uint32_t>(rule.count)});
    for (const Sized& t : tags) {
        const std::string what = t.tag + " c = " + std::to_string(t.c);
        const uint32_t tag = Tag(t.tag);
        Traffic().clear();
        uint32_t size = 1;
        EXPECT_EQ(Load(tag, t.c, nullptr, &size), 1) << what;
        EXPECT_EQ(size, t.size) << what;
        EXPECT_EQ(Load(tag, t.c, nullptr, nullptr), 0) << what;
        Bytes exact(t.size, 0);
        EXPECT_EQ(Load(tag, t.c, exact.data(), nullptr), 0) << what;
        // A heap buffer of exactly the room claimed: AddressSanitizer sees a byte past it.
        Bytes small(t.size - 1, 0xEE);
        size = t.size - 1;
        EXPECT_EQ(Load(tag, t.c, small.data(), &size), 0) << what;
        EXPECT_EQ(size, t.size - 1) << what;
        EXPECT_EQ(small, Bytes(t.size - 1, 0xEE)) << what;
        EXPECT_EQ(Save(tag, t.c, small.data(), static_cast<int32_t>(t.size - 1)), 0) << what;
        EXPECT_EQ(Save(tag, t.c, nullptr, static_cast<int32_t>(t.size)), 0) << what;
        EXPECT_EQ(Save(tag, t.c, small.data(), -1), 0) << what;
        EXPECT_TRUE(Traffic().empty()) << what << ": the host was asked";

        size = t.size;
        EXPECT_EQ(Load(tag, t.c, exact.data(), &size), 1) << what;
        EXPECT_EQ(Save(tag, t.c, exact.data(), static_cast<int32_t>(t.size)), 1) << what;
    }
    // pfSS: the sum of its widths is not enough room.
    Bytes legacy(108, 0);
    uint32_t size = 96;
    EXPECT_EQ(Load(Tag("pfSS"), 0, legacy.data(), &size), 0);
    EXPECT_EQ(Save(Tag("pfSS"), 0, legacy.data(), 96), 0);
}

// ---- the tag with its own load rule ------------------------------------------------------------

int16_t LoadThatFailsButWrites(uint32_t, void*, void* buffer, uint32_t*, uint32_t) {
    static_cast<unsigned char*>(buffer)[107] = 0x01;
    return 0;
}

TEST_F(EDataTest, PrefilledTagLoadsClearedBytesThenTheHostsRecord) {
    Bytes record(108);
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<unsigned char>(i + 1);
    Bytes wrote(108, 0);
    wrote[107] = 0x01;
    struct Case {
        const char* what;
        std::function<void()> arrange;
        int result;
        Bytes expected;
        std::size_t loads;  // recorded: each asks the host for the record at (3, 4)
    };
    const Case cases[] = {
        {"a record", [&] { PutRaw(kPrefilledTag, 3, 4, record); }, 1, record, 2},
        {"no record", [] {}, 0, Bytes(108, 0), 1},
        {"a failed load that wrote",  // counts as success
         [] {
             platform::stand_in::AddProcedure(platform::stand_in::AddModule("FINALE.EXE"), "FX_LoadEData",
                                              reinterpret_cast<platform::ProcAddress>(&LoadThatFailsButWrites));
         },
         1, wrote, 0},
        {"no host function",
         [&] {
             sim_.SetAbsent("FX_LoadEData");
             Install();
         },
         0, Bytes(108, 0), 0},
    };
    for (const Case& c : cases) {
        Install();
        doc_.EData().clear();
        c.arrange();
        const int callsBefore = sim_.CallCount("FX_LoadEData");
        Bytes buffer(120, 0xEE);
        uint32_t size = 108;
        int16_t key[2] = {3, 4};
        EXPECT_EQ(binding_->LoadEData(kPrefilledTag, key, buffer.data(), &size, kCallVersion), c.result) << c.what;
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 108), c.expected) << c.what;
        EXPECT_EQ(Bytes(buffer.begin() + 108, buffer.end()), Bytes(12, 0xEE)) << c.what;
        ASSERT_EQ(Loads().size(), c.loads) << c.what;
        EXPECT_EQ(sim_.CallCount("FX_LoadEData") - callsBefore, static_cast<int>(c.loads)) << c.what;
        for (const EDataCall& l : Loads()) EXPECT_EQ(l.key, (RecordId{"fI", 3, 4})) << c.what;
    }
}

TEST_F(EDataTest, PrefilledTagRefusesLessThanItsRoomAndPassesSizeQueriesOn) {
    PutRaw(kPrefilledTag, 0, 0, Bytes(108, 0x33));
    int16_t key[2] = {0, 0};
    Bytes small(107, 0xEE);
    uint32_t size = 107;
    EXPECT_EQ(binding_->LoadEData(kPrefilledTag, key, small.data(), &size, kCallVersion), 0);
    EXPECT_EQ(small, Bytes(107, 0xEE));
    EXPECT_EQ(binding_->LoadEData(kPrefilledTag, key, small.data(), nullptr, kCallVersion), 0);
    EXPECT_TRUE(Traffic().empty());

    size = 0;
    EXPECT_EQ(binding_->LoadEData(kPrefilledTag, key, nullptr, &size, kCallVersion), 1);
    EXPECT_EQ(size, 108u);
    EXPECT_EQ(Loads().size(), 1u);
}

// ---- versions and what goes straight to the host -----------------------------------------------

TEST_F(EDataTest, OlderVersionsSaveLegacyTagsUntranslatedButLoadThemTranslated) {
    for (uint32_t version : {0x07FFFFFFu, 0x00000000u, 0x08000000u, kCallVersion}) {
        const bool translated = version >= 0x08000000u;
        for (const char* name : {"pfMS", "pfTX", "pfSN"}) {
            const uint32_t tag = Tag(name);
            Traffic().clear();
            Bytes legacy(108, 0x21);
            EXPECT_EQ(Save(tag, 1, legacy.data(), 108, version), 1) << name << std::hex << version;
            bool legacyTagSent = false;
            for (const EDataCall& s : Saves()) legacyTagSent |= s.tag == tag;
            EXPECT_EQ(legacyTagSent, !translated) << name << std::hex << " version " << version;
            if (!translated) {
                ASSERT_EQ(Traffic().size(), 1u);
                EXPECT_EQ(Traffic()[0].length, 108);
                EXPECT_EQ(Traffic()[0].version, version);
            }
            Traffic().clear();
            uint32_t size = 108;
            unsigned char key[8] = {1};
            EXPECT_EQ(binding_->LoadEData(tag, key, legacy.data(), &size, version), 1) << name;
            EXPECT_FALSE(Loads().empty()) << name;
            for (const EDataCall& l : Loads()) {
                EXPECT_EQ(l.tag >> 16, 0x6F74u) << name << std::hex << " loaded " << l.tag;
                EXPECT_EQ(l.version, version) << name;
            }
        }
    }
}

TEST_F(EDataTest, OtherTagsPassStraightToTheHost) {
    const uint32_t tags[] = {0x6564494D,  // the articulation records
                             0x45035450,  // the entry details
                             OtTag("69"), Tag("pfXX"), Tag("pfgd"), Tag("PFGD"), Tag("pfss")};
    for (uint32_t tag : tags) {
        unsigned char key[8] = {1, 0, 0, 0, 2, 0, 0, 0};
        Bytes record(30, 0x44);
        sim_.ClearCalls();
        EXPECT_EQ(binding_->SaveEData(tag, key, record.data(), 30, kCallVersion), 1) << std::hex << tag;
        Bytes back(30, 0);
        uint32_t size = 30;
        EXPECT_EQ(binding_->LoadEData(tag, key, back.data(), &size, kCallVersion), 1) << std::hex << tag;
        EXPECT_EQ(back, record) << std::hex << tag;
        auto address = [](const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); };
        ASSERT_EQ(sim_.Calls().size(), 2u) << std::hex << tag;
        EXPECT_EQ(sim_.Calls()[0].args,
                  (std::vector<int64_t>{tag, address(key), address(record.data()), 30, kCallVersion}));
        EXPECT_EQ(sim_.Calls()[1].args,
                  (std::vector<int64_t>{tag, address(key), address(back.data()), address(&size), kCallVersion}));
    }
}

TEST_F(EDataTest, EachTranslationAndPassageNeedsOnlyTheHostFunctionsItUses) {
    struct Case {
        bool loadAbsent;
        bool saveAbsent;
        int loadResult;  // pfMS and pfTX loads
        int mapSave;     // a pfMS save reads and writes records
        int arraySave;   // a pfTX save only writes
    };
    const Case cases[] = {{true, false, 0, 0, 1}, {false, true, 1, 0, 0}, {true, true, 0, 0, 0}};
    for (const Case& c : cases) {
        const std::string without = std::string(c.loadAbsent ? " FX_LoadEData" : "") + (c.saveAbsent ? " FX_SaveEData" : "");
        sim_.SetAbsent("FX_LoadEData", c.loadAbsent);
        sim_.SetAbsent("FX_SaveEData", c.saveAbsent);
        Install();
        doc_.EData().clear();
        for (const char* tag : {"pfMS", "pfTX"}) {
            uint32_t size = 0;
            EXPECT_EQ(Load(Tag(tag), 1, nullptr, &size), 1) << tag << " without" << without;
            EXPECT_EQ(size, std::string(tag) == "pfTX" ? 108u : 104u) << tag;
            Bytes buffer(108, 0xEE);
            size = 108;
            EXPECT_EQ(Load(Tag(tag), 1, buffer.data(), &size), c.loadResult) << tag << " without" << without;
            if (c.loadResult == 0) {
                EXPECT_EQ(buffer, Bytes(108, 0xEE)) << tag;
            }
        }
        Bytes legacy(108, 0x21);
        EXPECT_EQ(Save(Tag("pfMS"), 0, legacy.data(), 108), c.mapSave) << "without" << without;
        EXPECT_EQ(Save(Tag("pfTX"), 0, legacy.data(), 108), c.arraySave) << "without" << without;
        // A field map never saves records rebuilt without reading them first.
        EXPECT_EQ(doc_.EData().size(), c.arraySave ? 9u : 0u) << "only the pfTX records, without" << without;

        // Untranslated tags, and legacy tags saved at an older version, go to the host as they are.
        unsigned char key[8] = {};
        Bytes record(30, 0xEE);
        uint32_t size = 30;
        if (c.loadAbsent) {
            EXPECT_EQ(binding_->LoadEData(0x45035450, key, record.data(), &size, kCallVersion), 0);
            EXPECT_EQ(record, Bytes(30, 0xEE));
            EXPECT_EQ(size, 30u);
        }
        EXPECT_EQ(binding_->SaveEData(0x45035450, key, record.data(), 30, kCallVersion), c.saveAbsent ? 0 : 1);
        EXPECT_EQ(binding_->SaveEData(Tag("pfMS"), key, record.data(), 30, 0x07FFFFFF), c.saveAbsent ? 0 : 1);
    }
}

}  // namespace
}  // namespace qz::host
