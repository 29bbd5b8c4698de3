#pragma once

#include "common/progress.h"
#include "icons/icon_files.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace gw {

// Why count images cannot make one icon file (none, or too many for the first image's offset,
// 6 + 16 x count, to fit 16 bits); empty when they can.
[[nodiscard]] std::string IconCountProblem(std::size_t count);

// Writes the images as a fresh icon file with a directory built from their own headers (a width
// or height of 256 stored as 0). The file is replaced only when complete. Images that do not fit
// the directory's fields, or would not read back as they are held (CheckPackable, a colour
// table of the entries their layout gives, their colour pixels), fail with an Error before
// anything is written; a target that cannot be written fails with an Error of kind
// TargetNotWritable whose cause says why, leaving it as it was.
void WriteIconFile(const std::filesystem::path& fileName, const std::vector<IconImage>& images,
                   const Progress& progress = {});

// Writes the images byte for byte, one after another behind a directory built from each
// image's own header (DescribeImage): width and height as bytes, 0 for 256 and more; the colour
// count for fewer than 8 bits per pixel; planes and bit count 0 for palette bitmaps, whose
// readers take them from the bitmap, else 1 and the image's bit count, which a PNG's reader
// could learn only by decoding its header. Replaced atomically; refusals as WriteIconFile's.
void WriteStoredIcon(const std::filesystem::path& fileName,
                     const std::vector<StoredIconImage>& images, const Progress& progress = {});

// Writes the images byte for byte behind a directory whose entries are the images' own Entry
// fields (width, height, colour count, reserved, planes, bit count) as given, with each size
// and offset set from the bytes written: an icon group of a PE file as an icon file.
void WriteStoredIconWithEntries(const std::filesystem::path& fileName,
                                const std::vector<StoredIconImage>& images);

} // namespace gw
