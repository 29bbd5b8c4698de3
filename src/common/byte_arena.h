#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace gw {

// Room for many byte strings that live as long as the arena, handed out from blocks that never
// move, so that the spans stay valid: one allocation per block instead of one per string, and
// one release for all of them. The room is not cleared; its taker fills it.
class ByteArena {
public:
    ByteArena() = default;
    ByteArena(const ByteArena&) = delete;
    ByteArena& operator=(const ByteArena&) = delete;
    ByteArena(ByteArena&&) = default;
    ByteArena& operator=(ByteArena&&) = default;

    [[nodiscard]] std::span<std::uint8_t> take(std::size_t count) {
        // A string of more than a quarter block gets a block of its own, so that little of a
        // block is ever left unused.
        if (count > kBlockSize / 4) {
            blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(count));
            return {blocks_.back().get(), count};
        }
        if (count > left_) {
            blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize));
            next_ = blocks_.back().get();
            left_ = kBlockSize;
        }
        const std::span<std::uint8_t> room(next_, count);
        next_ += count;
        left_ -= count;
        return room;
    }

private:
    static constexpr std::size_t kBlockSize = std::size_t{256} << 10;

    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::uint8_t* next_ = nullptr;
    std::size_t left_ = 0;
};

} // namespace gw
