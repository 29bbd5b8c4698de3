// Replays the fuzzers' seed inputs and every input that once made a fuzzer fail through the
// same target functions, so a fixed fault stays fixed.
#include "fuzz/fuzz_targets.h"
#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gw {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressionsTest, EveryTargetRunsItsSeedsAndRegressionsCleanly) {
    const fs::path root = fs::path(GLYPHWRIGHT_SOURCE_DIR) / "fuzz";
    for (const fuzz::NamedTarget& target : fuzz::AllTargets()) {
        int inputs = 0;
        for (const char* kind : {"corpus", "regressions"}) {
            const fs::path folder = root / kind / target.Name;
            if (!fs::is_directory(folder)) {
                continue;
            }
            for (const auto& entry : fs::directory_iterator(folder)) {
                const test::Bytes bytes = test::ReadBytes(entry.path());
                SCOPED_TRACE(entry.path().string());
                target.Run(bytes.data(), bytes.size());
                ++inputs;
            }
        }
        EXPECT_GT(inputs, 0) << "no seed inputs for " << target.Name;
    }
}

} // namespace
} // namespace gw
