#include "fuzz/fuzz_targets.h"

#include "common/error.h"
#include "dll/dll_layout.h"
#include "dll/layout_check.h"
#include "dll/pe_reader.h"
#include "dll/write_dll.h"
#include "icons/convert_for_handhelds.h"
#include "icons/icon_files.h"
#include "icons/icon_writer.h"
#include "icons/image_sources.h"
#include "setup/cabwiz_command.h"
#include "setup/profile_document.h"
#include "setup/text_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>

namespace gw::fuzz {

namespace {

namespace fs = std::filesystem;

// The private folder of this process's input files (in memory where /dev/shm exists), removed
// with everything in it when the process ends.
class InputFolder {
public:
    InputFolder() {
        const fs::path shm = "/dev/shm";
        std::error_code ec;
        path_ = fs::is_directory(shm, ec) ? shm : fs::temp_directory_path();
        path_ /= "glyphwright-fuzz-" + std::to_string(::getpid());
        fs::create_directories(path_);
    }
    ~InputFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    InputFolder(const InputFolder&) = delete;
    InputFolder& operator=(const InputFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The readers take paths, so each input goes to a file of its own in the private folder.
class InputFile {
public:
    InputFile(const std::uint8_t* data, std::size_t size, const char* name) {
        static const InputFolder folder;
        path_ = (folder.path() / name).string();
        std::FILE* f = std::fopen(path_.c_str(), "wb");
        if (f == nullptr) {
            std::abort(); // the harness itself is broken; nothing to learn from this input
        }
        if (size > 0) {
            std::fwrite(data, 1, size, f);
        }
        std::fclose(f);
    }
    ~InputFile() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The first bytes of an input as a short text, for names that the fuzzer varies: up to most
// bytes before a line end, and what follows the text and its line end.
struct TakenText {
    std::string Text;
    std::span<const std::uint8_t> Rest;
};

TakenText takeText(std::span<const std::uint8_t> bytes, std::size_t most) {
    TakenText taken;
    std::size_t at = 0;
    while (at < bytes.size() && taken.Text.size() < most && bytes[at] != '\n') {
        taken.Text += static_cast<char>(bytes[at++]);
    }
    taken.Rest = bytes.subspan(std::min(at + 1, bytes.size()));
    return taken;
}

// A name as INF files spell them: printable, no blanks at its ends, no brackets, "=" or ";".
bool plainName(const std::string& name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ') {
        return false;
    }
    for (unsigned char c : name) {
        if (c < 0x21 || c > 0x7E || c == '[' || c == ']' || c == '=' || c == ';') {
            return false;
        }
    }
    return true;
}

} // namespace

void IconReader(const std::uint8_t* data, std::size_t size) {
    InputFile file(data, size, "icon.ico");
    // The DLL builder's reader and the reader of every image kind.
    // The packed reader, which the DLL builder uses, agrees with it: the same images, byte for
    // byte, and the same group entries; and where one refuses the file, so does the other.
    bool decoded = false;
    try {
        const IconFileRecord icon = ReadIconFile(file.path());
        if (icon.Header.Count != static_cast<std::int16_t>(icon.Images.size()) ||
            ReadIconCount(file.path()) != icon.Header.Count) {
            std::abort();
        }
        decoded = true;
        ByteArena arena;
        const PackedIconFile packed = ReadPackedIconFile(file.path(), arena);
        if (packed.Images.size() != icon.Images.size() ||
            packed.Record.Images.size() != icon.Images.size()) {
            std::abort();
        }
        for (std::size_t j = 0; j < icon.Images.size(); ++j) {
            ByteWriter mine, theirs;
            PutIconImage(mine, icon.Images[j]);
            PutRecord(mine, icon.Entries[j]);
            PutIconImage(theirs, packed.Images[j]);
            PutRecord(theirs, packed.Record.Entries[j]);
            if (mine.buffer() != theirs.buffer()) {
                std::abort();
            }
        }
    } catch (const Error&) {
        if (decoded) {
            std::abort();
        }
    }
    try {
        const StoredIconFile icon = ReadStoredIcon(file.path());
        if (icon.Header.Count != static_cast<std::int16_t>(icon.Images.size())) {
            std::abort();
        }
        for (const StoredIconImage& image : icon.Images) {
            (void)ImageRowText(image);
        }
    } catch (const Error&) {
    }
}

void DllBuild(const std::uint8_t* data, std::size_t size) {
    InputFile file(data, size, "build.ico");
    try {
        const DllImage image = BuildDllImage(0x01C0, {file.path(), file.path()});
        const std::vector<std::uint8_t> bytes = DllBytes(image);
        // The file always ends where its header says.
        if (static_cast<std::int64_t>(bytes.size()) != image.OptionalHeader.SizeOfImage ||
            bytes.size() % 16 != 0) {
            std::abort();
        }
    } catch (const Error&) {
    }
}

void TextFileLoad(const std::uint8_t* data, std::size_t size) {
    // The first byte picks a small block size, so lines cross block boundaries often.
    const std::int32_t blockSize = size > 0 ? 1 + data[0] % 64 : 1;
    InputFile file(size > 0 ? data + 1 : data, size > 0 ? size - 1 : 0, "text.txt");
    const auto loads = [&file](TextFile& text) {
        try {
            text.Load(file.path());
            return true;
        } catch (const Error&) {
            return false; // missing, empty or unreadable: the lines stay empty
        }
    };
    TextFile text;
    TextFile whole;
    text.BlockSize(blockSize);
    // Block size must not change whether the file loads, nor its lines.
    if (loads(text) != loads(whole)) {
        std::abort();
    }
    if (text.Lines() != whole.Lines()) {
        std::abort();
    }
    for (std::int32_t i = 1; i <= text.Lines(); ++i) {
        if (text.Line(i) != whole.Line(i)) {
            std::abort();
        }
    }
    if (text.FindFirst("cabwiz", 0) > 0) {
        while (text.FindNext() > 0) {
        }
    }
}

void CabwizCommand(const std::uint8_t* data, std::size_t size) {
    std::string tokens(reinterpret_cast<const char*>(data), size);
    for (int i = 0; i < 64; ++i) {
        const auto token = NextToken(tokens);
        if (!token) {
            break;
        }
        // Every token is shorter than what it was cut from.
        if (token->Rest.size() >= tokens.size()) {
            std::abort();
        }
        tokens = token->Rest;
    }
    InputFile file(data, size, "Readme.txt");
    try {
        (void)ReadCabwizCommand(file.path());
    } catch (const Error&) {
    }
}

void ProfileEdit(const std::uint8_t* data, std::size_t size) {
    // The first two lines of the input name a section and a key; the rest is the INF.
    const TakenText sectionLine = takeText({data, size}, 40);
    const TakenText keyLine = takeText(sectionLine.Rest, 40);
    const std::string& section = sectionLine.Text;
    const std::string& key = keyLine.Text;
    ProfileDocument document(
        std::string_view(reinterpret_cast<const char*>(keyLine.Rest.data()), keyLine.Rest.size()));
    try {
        const std::string value = document.read(section, key);
        const std::vector<std::string> keys = document.keys(section);
        document.write(section, key, value + ", more");
        // What was written reads back, for names and values that need no trimming or quoting,
        // and so does the whole text once more.
        if (plainName(section) && plainName(key) && value.find('"') == std::string::npos &&
            (document.read(section, key) != value + ", more" ||
             ProfileDocument(document.text()).read(section, key) != value + ", more")) {
            std::abort();
        }
    } catch (const Error&) {
    }
}

void PeReader(const std::uint8_t* data, std::size_t size) {
    try {
        const PeIconFile file =
            ParsePeIconFile(std::vector<std::uint8_t>(data, data + size), "fuzz.dll");
        for (const PeIconGroup& group : file.Groups) {
            try {
                (void)GroupImages(file, group);
            } catch (const Error&) {
            }
        }
        (void)LayoutDifference(file);
    } catch (const Error&) {
    }
}

void Convert(const std::uint8_t* data, std::size_t size) {
    // The first byte chooses the options: which of 16, 32 and 48 px, which of 1, 4 and 8 bits,
    // dithering and the standard palette; the rest is the source file, of any kind.
    if (size < 1) {
        return;
    }
    const std::uint8_t choice = data[0];
    ConvertOptions options;
    options.Sizes.clear();
    options.Depths.clear();
    for (int k = 0; k < 3; ++k) {
        if ((choice >> k & 1) != 0) {
            options.Sizes.push_back(16 * (k + 1));
        }
        if ((choice >> (k + 3) & 1) != 0) {
            options.Depths.push_back(k == 0 ? 1 : 4 * k);
        }
    }
    if (options.Sizes.empty() || options.Depths.empty()) {
        options = {};
    }
    options.Dither = (choice & 0x40) == 0;
    options.StandardPalette = (choice & 0x80) != 0;
    const InputFile source(data + 1, size - 1, "source");
    try {
        const std::vector<IconImage> images =
            ConvertForHandhelds(LoadSourceImages(source.path(), options.Sizes), options);
        ByteWriter out;
        for (const IconImage& image : images) {
            PutIconImage(out, image);
        }
    } catch (const Error&) {
    }
}

void PictureDecoder(const std::uint8_t* data, std::size_t size) {
    // The same bytes as a picture file (PNG or BMP) and as one image of an icon file.
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        (void)DecodePicture(bytes, "fuzz.png", "picture");
    } catch (const Error&) {
    }
    try {
        (void)DecodeIconImageBytes(bytes, "fuzz.ico", "image 0");
    } catch (const Error&) {
    }
}

void ExtractRegroup(const std::uint8_t* data, std::size_t size) {
    // Every group of a PE file regrouped into an icon file, as extract writes them.
    try {
        const PeIconFile file =
            ParsePeIconFile(std::vector<std::uint8_t>(data, data + size), "fuzz.dll");
        const InputFile out(nullptr, 0, "group.ico");
        for (const PeIconGroup& group : file.Groups) {
            try {
                WriteStoredIconWithEntries(out.path(), GroupStoredImages(file, group));
            } catch (const Error&) {
            }
        }
    } catch (const Error&) {
    }
}

std::vector<NamedTarget> AllTargets() {
    return {{"icon_reader", IconReader},
            {"dll_build", DllBuild},
            {"text_file_load", TextFileLoad},
            {"cabwiz_command", CabwizCommand},
            {"profile_edit", ProfileEdit},
            {"pe_reader", PeReader},
            {"convert", Convert},
            {"picture_decoder", PictureDecoder},
            {"extract_regroup", ExtractRegroup}};
}

} // namespace gw::fuzz
