#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace gw {

// Stores an 8-, 16- or 32-bit field, signed or not, little-endian at to.
template <class T> void PutLittleEndian(std::uint8_t* to, T v) {
    static_assert(std::is_integral_v<T> && (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4));
    const auto bits = static_cast<std::make_unsigned_t<T>>(v);
    for (std::size_t b = 0; b < sizeof(T); ++b) {
        to[b] = static_cast<std::uint8_t>(bits >> (8 * b));
    }
}

// 32-bit values from their little-endian bytes, 4 for each value: a plain copy on little-endian
// systems (a DLL of many images holds millions of colour table entries).
inline void GetLittleEndian32s(std::span<const std::uint8_t> bytes,
                               std::span<std::int32_t> values) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(values.data(), bytes.data(), 4 * values.size());
    } else {
        for (std::size_t i = 0; i < values.size(); ++i) {
            const std::uint8_t* at = bytes.data() + 4 * i;
            values[i] = static_cast<std::int32_t>(
                std::uint32_t{at[0]} | (std::uint32_t{at[1]} << 8) | (std::uint32_t{at[2]} << 16) |
                (std::uint32_t{at[3]} << 24));
        }
    }
}

// Room for count bytes that are filled before they are used: on the stack up to N, on the heap
// beyond, so that the common small case costs no allocation.
template <std::size_t N> class ScratchBytes {
public:
    explicit ScratchBytes(std::size_t count) : count_(count) {
        if (count > N) {
            large_.resize(count);
        }
    }
    ScratchBytes(const ScratchBytes&) = delete;
    ScratchBytes& operator=(const ScratchBytes&) = delete;

    [[nodiscard]] std::uint8_t* data() { return count_ > N ? large_.data() : small_.data(); }
    [[nodiscard]] std::size_t size() const { return count_; }
    [[nodiscard]] std::span<const std::uint8_t> bytes() { return {data(), count_}; }

private:
    std::size_t count_;
    std::array<std::uint8_t, N> small_; // not cleared: the owner fills what it uses
    std::vector<std::uint8_t> large_;
};

// Little-endian field decoding from a byte span. Reading past the end throws Error with the
// given context, so a short input is always reported, never padded.
class ByteReader {
public:
    ByteReader(std::span<const std::uint8_t> bytes, std::string context)
        : bytes_(bytes), context_(std::move(context)) {}

    // The fields are read in the header, so that a reader of many small fields pays no call for
    // each; only a read past the end calls out, to throw.
    std::uint8_t u8() {
        need(1);
        return bytes_[pos_++];
    }
    std::uint16_t u16() {
        need(2);
        const auto v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    std::uint32_t u32() {
        need(4);
        const std::uint32_t v =
            std::uint32_t{bytes_[pos_]} | (std::uint32_t{bytes_[pos_ + 1]} << 8) |
            (std::uint32_t{bytes_[pos_ + 2]} << 16) | (std::uint32_t{bytes_[pos_ + 3]} << 24);
        pos_ += 4;
        return v;
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::span<const std::uint8_t> bytes(std::size_t count);
    // A field of type T: 8, 16 or 32 bits, signed or not.
    template <class T> [[nodiscard]] T get() {
        static_assert(std::is_integral_v<T> &&
                      (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4));
        if constexpr (sizeof(T) == 1) {
            return static_cast<T>(u8());
        } else if constexpr (sizeof(T) == 2) {
            return static_cast<T>(u16());
        } else {
            return static_cast<T>(u32());
        }
    }

    [[nodiscard]] std::size_t position() const { return pos_; }
    [[nodiscard]] std::size_t remaining() const { return bytes_.size() - pos_; }

private:
    void need(std::size_t count) const {
        if (count > remaining()) {
            truncated(count);
        }
    }
    [[noreturn]] void truncated(std::size_t count) const;

    std::span<const std::uint8_t> bytes_;
    std::string context_;
    std::size_t pos_ = 0;
};

// Writes binary fields explicitly, little-endian, one after another. The bytes collect in a
// buffer; with a sink, the buffer is handed to the sink before it would grow past a chunk (and a
// piece of a chunk or more is handed on as it is), so a
// large file streams out in chunks instead of being held whole.
class ByteWriter {
public:
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    ByteWriter() = default;
    explicit ByteWriter(Sink sink, std::size_t chunk = 1 << 16);

    void u8(std::uint8_t v) { put(v); }
    void u16(std::uint16_t v) { put(v); }
    void u32(std::uint32_t v) { put(v); }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    // A field of its own type's width: 8, 16 or 32 bits, signed or not.
    template <class T> void put(T v) {
        std::array<std::uint8_t, sizeof(T)> field;
        PutLittleEndian(field.data(), v);
        small(field.data(), field.size());
    }
    void bytes(std::span<const std::uint8_t> data);
    // 32-bit fields one after another, in one piece on little-endian systems.
    void i32s(std::span<const std::int32_t> values) {
        if constexpr (std::endian::native == std::endian::little) {
            bytes({reinterpret_cast<const std::uint8_t*>(values.data()), 4 * values.size()});
        } else {
            for (const std::int32_t v : values) {
                i32(v);
            }
        }
    }
    void zeros(std::size_t count);

    // Bytes written so far, including those already handed to the sink.
    [[nodiscard]] std::uint64_t position() const { return flushed_ + buffer_.size(); }
    // The bytes not yet handed to a sink (all of them when there is no sink).
    [[nodiscard]] const std::vector<std::uint8_t>& buffer() const { return buffer_; }
    [[nodiscard]] std::vector<std::uint8_t> take() { return std::move(buffer_); }
    // Hands the rest of the buffer to the sink.
    void flush();

private:
    // A few bytes, appended in one step.
    void small(const std::uint8_t* data, std::size_t count) {
        makeRoom(count);
        buffer_.insert(buffer_.end(), data, data + count);
    }
    // With a sink the buffer never grows past its chunk: it is handed on first, so that it is
    // never moved to a larger one.
    void makeRoom(std::size_t count) {
        if (sink_ && buffer_.size() + count > chunk_) {
            flush();
        }
    }

    Sink sink_;
    std::size_t chunk_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t flushed_ = 0;
};

// A record that mirrors a binary structure lists its fields in their stored order once, in a
// static member `eachField(record, f)` that calls f on each field, and is written and read
// through that list: field by field, little-endian, never from its layout in memory.
// The fields are put together on the stack and handed on in one piece. Each is a member of the
// record, written at its own width, so the record's own size bounds them all.
template <class Record> void PutRecord(ByteWriter& out, const Record& record) {
    std::array<std::uint8_t, sizeof(Record)> bytes;
    std::size_t length = 0;
    Record::eachField(record, [&](auto field) {
        PutLittleEndian(bytes.data() + length, field);
        length += sizeof(field);
    });
    out.bytes(std::span(bytes.data(), length));
}

template <class Record> [[nodiscard]] Record ReadRecord(ByteReader& in) {
    Record record;
    Record::eachField(
        record, [&in](auto& field) { field = in.get<std::remove_reference_t<decltype(field)>>(); });
    return record;
}

} // namespace gw
