#include "cli/commands.h"
#include "common/interrupt_cleanup.h"

#include <iostream>

int main(int argc, char** argv) {
    gw::InstallInterruptCleanup();
    const std::vector<std::string> words(argv + 1, argv + argc);
    return gw::cli::RunCli(words, {std::cout, std::cerr});
}
