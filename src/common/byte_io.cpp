#include "common/byte_io.h"

#include "common/error.h"

#include <algorithm>

namespace gw {

void ByteReader::truncated(std::size_t count) const {
    throw Error(context_ + ": truncated: " + std::to_string(count) + " bytes needed at offset " +
                std::to_string(pos_) + ", " + std::to_string(remaining()) + " left");
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

void ByteWriter::flush() {
    if (sink_ && !buffer_.empty()) {
        sink_(buffer_);
        flushed_ += buffer_.size();
        buffer_.clear();
    }
}

} // namespace gw
