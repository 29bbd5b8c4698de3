// Writes the manual pages of glyphwright-cli and glyphwright, gzipped by the build, from the
// texts the CLI's own help shows.
//
// Usage: make_man_pages OUT_DIR VERSION DATE
#include "cli/manual_page.h"
#include "common/error.h"
#include "common/file_io.h"

#include <cstdint>
#include <exception>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_man_pages OUT_DIR VERSION DATE\n";
        return 2;
    }
    const std::filesystem::path dir = gw::PathFromUtf8(argv[1]);
    const auto write = [&](const char* name, const std::string& page) {
        gw::WriteFileAtomically(dir / name,
                                {reinterpret_cast<const std::uint8_t*>(page.data()), page.size()});
    };
    try {
        write("glyphwright-cli.1", gw::cli::CliManualPage(argv[2], argv[3]));
        write("glyphwright.1", gw::cli::WindowProgramManualPage(argv[2], argv[3]));
    } catch (const std::exception& e) {
        std::cerr << "make_man_pages: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
