// One libFuzzer program per target; GLYPHWRIGHT_FUZZ_TARGET names the target's function.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    gw::fuzz::GLYPHWRIGHT_FUZZ_TARGET(data, size);
    return 0;
}
