#include "common/byte_io.h"

#include "common/error.h"

#include <algorithm>

namespace gw {

void ByteReader::need(std::size_t count) const {
    if (count > remaining()) {
        throw Error(context_ + ": truncated: " + std::to_string(count) +
                    " bytes needed at offset " + std::to_string(pos_) + ", " +
                    std::to_string(remaining()) + " left");
    }
}

std::uint8_t ByteReader::u8() {
    need(1);
    return bytes_[pos_++];
}

std::uint16_t ByteReader::u16() {
    need(2);
    const auto v = static_cast<std::uint16_t>(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

std::uint32_t ByteReader::u32() {
    need(4);
    const std::uint32_t v = std::uint32_t{bytes_[pos_]} | (std::uint32_t{bytes_[pos_ + 1]} << 8) |
                            (std::uint32_t{bytes_[pos_ + 2]} << 16) |
                            (std::uint32_t{bytes_[pos_ + 3]} << 24);
    pos_ += 4;
    return v;
}

std::span<const std::uint8_t> ByteReader::bytes(std::size_t count) {
    need(count);
    auto out = bytes_.subspan(pos_, count);
    pos_ += count;
    return out;
}

ByteWriter::ByteWriter(Sink sink, std::size_t chunk) : sink_(std::move(sink)), chunk_(chunk) {
    buffer_.reserve(chunk_);
}

void ByteWriter::u8(std::uint8_t v) {
    makeRoom(1);
    buffer_.push_back(v);
}

void ByteWriter::u16(std::uint16_t v) {
    makeRoom(2);
    buffer_.push_back(static_cast<std::uint8_t>(v));
    buffer_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::u32(std::uint32_t v) {
    makeRoom(4);
    for (int shift = 0; shift < 32; shift += 8) {
        buffer_.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void ByteWriter::bytes(std::span<const std::uint8_t> data) {
    makeRoom(data.size());
    if (sink_ && data.size() >= chunk_) {
        sink_(data); // a piece as large as a chunk goes on as it is, never copied
        flushed_ += data.size();
        return;
    }
    buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void ByteWriter::zeros(std::size_t count) {
    while (count > 0) {
        const std::size_t piece = sink_ ? std::min(count, chunk_) : count;
        makeRoom(piece);
        buffer_.insert(buffer_.end(), piece, 0);
        count -= piece;
    }
}

void ByteWriter::makeRoom(std::size_t count) {
    // With a sink the buffer never grows past its chunk: it is handed on first, so that it is
    // never moved to a larger one.
    if (sink_ && buffer_.size() + count > chunk_) {
        flush();
    }
}

void ByteWriter::flush() {
    if (sink_ && !buffer_.empty()) {
        sink_(buffer_);
        flushed_ += buffer_.size();
        buffer_.clear();
    }
}

} // namespace gw
