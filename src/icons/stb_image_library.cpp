// The PNG and BMP decoder of stb_image (Debian's libstb-dev), compiled here once. It decodes
// from memory only: files are read by the project's own helpers, which keep paths Unicode-clean.
// This file is compiled without warnings, the library's code not being ours to change.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#include <stb_image.h>
