#include "common/byte_io.h"
#include "common/error.h"
#include "common/file_io.h"
#include "support/test_support.h"

#include <functional>
#include <gtest/gtest.h>

namespace gw {
namespace {

using test::Bytes;

void WriteSample(ByteWriter& out) {
    out.u8(0x01);
    out.u16(0x0302);
    out.u32(0x07060504);
    out.i16(-2);
    out.i32(-3);
    out.bytes(Bytes{9, 9});
    out.zeros(3);
}

TEST(ByteIoTest, FieldsAreLittleEndianAndChunkedOutputMatchesTheBuffer) {
    ByteWriter whole;
    WriteSample(whole);
    const Bytes expected = {1, 2, 3, 4, 5, 6, 7, 0xFE, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 9, 9, 0, 0, 0};
    EXPECT_EQ(whole.buffer(), expected);

    Bytes streamed;
    int chunks = 0;
    ByteWriter sink(
        [&](std::span<const std::uint8_t> bytes) {
            streamed.insert(streamed.end(), bytes.begin(), bytes.end());
            ++chunks;
        },
        4);
    WriteSample(sink);
    EXPECT_EQ(sink.position(), expected.size());
    EXPECT_LE(sink.buffer().size(), 4u); // the buffer never holds more than a chunk
    sink.flush();
    EXPECT_EQ(streamed, expected);
    EXPECT_GT(chunks, 2);
    // Whatever kind of field is written, the buffer is handed on before it would grow past its
    // chunk, so it is never moved to a larger one.
    const std::function<void(ByteWriter&)> fields[] = {
        [](ByteWriter& w) { w.u8(0); }, [](ByteWriter& w) { w.u16(0); },
        [](ByteWriter& w) { w.u32(0); }, [](ByteWriter& w) { w.bytes(Bytes(3)); },
        [](ByteWriter& w) { w.zeros(3); }};
    for (std::size_t kind = 0; kind < std::size(fields); ++kind) {
        ByteWriter fieldwise([](std::span<const std::uint8_t>) {}, 4);
        for (int i = 0; i < 6; ++i) {
            fields[kind](fieldwise);
            EXPECT_LE(fieldwise.buffer().size(), 4u) << "field kind " << kind << ", write " << i;
            EXPECT_EQ(fieldwise.buffer().capacity(), 4u)
                << "field kind " << kind << ", write " << i;
        }
    }

    // A piece of a chunk or more goes on whole, in its place among the others.
    Bytes pieces;
    std::vector<std::size_t> sizes;
    ByteWriter passing(
        [&](std::span<const std::uint8_t> bytes) {
            pieces.insert(pieces.end(), bytes.begin(), bytes.end());
            sizes.push_back(bytes.size());
        },
        4);
    passing.u16(0x0201);
    passing.bytes(Bytes(9, 7));
    passing.u8(3);
    passing.flush();
    EXPECT_EQ(pieces, (Bytes{1, 2, 7, 7, 7, 7, 7, 7, 7, 7, 7, 3}));
    EXPECT_EQ(sizes, (std::vector<std::size_t>{2, 9, 1}));

    ByteReader in(expected, "sample");
    EXPECT_EQ(in.u8(), 1);
    EXPECT_EQ(in.u16(), 0x0302);
    EXPECT_EQ(in.u32(), 0x07060504u);
    EXPECT_EQ(in.i16(), -2);
    EXPECT_EQ(in.i32(), -3);
    EXPECT_EQ(in.remaining(), 5u);
    EXPECT_EQ(test::ThrownBy([&] { in.bytes(6); }).text,
              "sample: truncated: 6 bytes needed at offset 13, 5 left");
    // A field one byte short is refused, never read past the end.
    const Bytes none, one(1), three(3);
    EXPECT_THROW(ByteReader(none, "f").u8(), Error);
    EXPECT_THROW(ByteReader(one, "f").u16(), Error);
    EXPECT_THROW(ByteReader(three, "f").u32(), Error);
}

// A field that runs past the end is refused with where and how much, and nothing is read: the
// reader's view is cut from a larger buffer, whose next bytes must not be taken for the field's.
TEST(ByteIoTest, AFieldPastTheEndOfTheViewIsRefusedWithWhereAndHowMuch) {
    const Bytes buffer = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto u8 = [](ByteReader& r) { static_cast<void>(r.u8()); };
    const auto u16 = [](ByteReader& r) { static_cast<void>(r.u16()); };
    const auto u32 = [](ByteReader& r) { static_cast<void>(r.u32()); };
    const auto i16 = [](ByteReader& r) { static_cast<void>(r.i16()); };
    const auto i32 = [](ByteReader& r) { static_cast<void>(r.i32()); };
    const struct {
        std::size_t size;
        std::vector<std::function<void(ByteReader&)>> reads; // the last one is refused
        std::string message;
    } cases[] = {
        {0, {u8}, "f: truncated: 1 bytes needed at offset 0, 0 left"},
        {1, {u16}, "f: truncated: 2 bytes needed at offset 0, 1 left"},
        {3, {u16, u16}, "f: truncated: 2 bytes needed at offset 2, 1 left"},
        {2, {u8, i16}, "f: truncated: 2 bytes needed at offset 1, 1 left"},
        {3, {u32}, "f: truncated: 4 bytes needed at offset 0, 3 left"},
        {4, {u8, u32}, "f: truncated: 4 bytes needed at offset 1, 3 left"},
        {7, {u32, i32}, "f: truncated: 4 bytes needed at offset 4, 3 left"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        ByteReader in{std::span<const std::uint8_t>(buffer).first(c.size), "f"};
        for (std::size_t k = 0; k + 1 < c.reads.size(); ++k) {
            c.reads[k](in);
        }
        const std::size_t before = in.remaining();
        EXPECT_EQ(test::ThrownBy([&] { c.reads.back()(in); }).text, c.message);
        EXPECT_EQ(in.remaining(), before);
    }
}

TEST(AtomicFileTest, ReplacesOnlyOnCommitAndKeepsPermissions) {
    test::TempDir dir;
    const std::string target = dir.file("data.bin");
    test::WriteBytes(target, {1, 2, 3});
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write |
                                             std::filesystem::perms::others_read);
    {
        AtomicFile file(target);
        file.write(Bytes{7, 7});
        EXPECT_EQ(test::ReadBytes(target), (Bytes{1, 2, 3})); // not yet replaced
    } // abandoned: the old file stays, the temporary file goes
    EXPECT_EQ(test::ReadBytes(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(test::FilesIn(dir.path()), 1u);

    WriteFileAtomically(target, Bytes{4, 5});
    EXPECT_EQ(test::ReadBytes(target), (Bytes{4, 5}));
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::others_read,
              std::filesystem::perms::others_read);
    EXPECT_EQ(test::FilesIn(dir.path()), 1u);

    EXPECT_THROW(AtomicFile{dir.path()}, Error); // a folder is not a file

    // A target that cannot be replaced at the last moment (a folder took its place) fails, and
    // the new bytes go nowhere.
    const std::string late = dir.file("late.bin");
    AtomicFile file(late);
    file.write(Bytes{1});
    std::filesystem::create_directory(late);
    std::filesystem::create_directory(dir.path() / "late.bin" / "inside");
    EXPECT_THROW(file.commit(), Error);
    EXPECT_THROW(file.write(Bytes{2}), Error); // nothing more goes to a file that failed
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "late.bin" / "inside"));
    EXPECT_EQ(test::FilesIn(dir.path()), 2u);
}

} // namespace
} // namespace gw
