#include "dll/create_dll.h"

#include "common/checked.h"
#include "common/file_io.h"
#include "dll/dll_layout.h"
#include "dll/write_dll.h"

#include <memory>

namespace gw {

std::vector<DllSummary> CreateDlls(const std::vector<std::filesystem::path>& files,
                                   const std::vector<DllTarget>& targets,
                                   const Progress& progress) {
    if (targets.empty()) {
        return {};
    }
    // Everything is checked before anything is written: an icon file that is one of the targets
    // as it is opened (the graver fault, so it is told first), then whether each target may be
    // replaced.
    std::vector<std::filesystem::path> outputs;
    for (const DllTarget& target : targets) {
        outputs.push_back(target.Path);
    }
    const OutputGuard guard(outputs);
    // The images are held as stored, all in one arena, and written from there. The layout
    // depends on the machine only through the file header's Machine field.
    ByteArena arena;
    std::vector<IconFileRecord> icons;
    std::vector<std::vector<IconImageView>> images;
    icons.reserve(files.size());
    images.reserve(files.size());
    for (const std::filesystem::path& file : files) {
        PackedIconFile packed = ReadPackedIconFile(file, arena, progress, &guard);
        icons.push_back(std::move(packed.Record));
        images.push_back(std::move(packed.Images));
    }
    DllImage image = LayOutDllImage(targets.front().Machine, std::move(icons));
    const auto imagesOf = [&images](std::size_t icon) {
        return std::span<const IconImageView>(images[icon]);
    };
    for (const DllTarget& target : targets) {
        RequireReplaceable(target.Path);
    }
    std::vector<std::unique_ptr<AtomicFile>> written;
    std::vector<DllSummary> summaries;
    for (const DllTarget& target : targets) {
        image.FileHeader.Machine =
            checked::Narrow<std::uint16_t>(target.Machine, "the machine value");
        written.push_back(std::make_unique<AtomicFile>(target.Path));
        WriteDll(image, *written.back(), imagesOf);
        summaries.push_back({static_cast<int>(image.Icons.size()), image.imageCount(),
                             image.OptionalHeader.SizeOfImage});
    }
    std::vector<AtomicFile*> set;
    for (const auto& file : written) {
        set.push_back(file.get());
    }
    CommitTogether(set);
    return summaries;
}

DllSummary CreateDll(std::int32_t machine, const std::vector<std::filesystem::path>& files,
                     const std::filesystem::path& dllPath, const Progress& progress) {
    return CreateDlls(files, {{machine, dllPath}}, progress).front();
}

} // namespace gw
