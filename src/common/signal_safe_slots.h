#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace gw {

// A fixed table of values that a signal handler may read while the program fills and empties
// it: no allocation, no lock, only atomic loads and stores. A slot holding Value{} is free.
template <typename Value, std::size_t Size> class SignalSafeSlots {
public:
    // Puts value in a free slot and returns the slot's number; -1 when every slot is taken.
    [[nodiscard]] int claim(Value value) noexcept {
        for (std::size_t i = 0; i < Size; ++i) {
            Value expected{};
            if (slots_[i].compare_exchange_strong(expected, value)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    // Frees a slot that claim() gave; a negative slot (claim() found none free) is ignored.
    void release(int slot) noexcept {
        if (slot >= 0) {
            slots_[static_cast<std::size_t>(slot)].store(Value{});
        }
    }

    // Calls visit with every value held, in slot order. Async-signal-safe when visit is.
    template <typename Visit> void forEach(Visit&& visit) const noexcept {
        for (const auto& slot : slots_) {
            if (const Value value = slot.load(); value != Value{}) {
                visit(value);
            }
        }
    }

private:
    std::array<std::atomic<Value>, Size> slots_{};
};

} // namespace gw
