// stb_image_write (Debian's libstb-dev), compiled once for the tests' PNG files, without
// warnings: its code is not ours to change.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
