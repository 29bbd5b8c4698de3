#include "cli/cli.h"
#include "common/text.h"
#include "system/interrupt_cleanup.h"

#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

// Windows hands the arguments over as UTF-16, so that any file name arrives whole, whatever
// the code page; the program works in UTF-8 and sets the console to show it.
int wmain(int argc, wchar_t** argv) {
    gw::InstallInterruptCleanup();
    // The same bytes as everywhere else: lines end in LF, not CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const UINT consolePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        words.push_back(gw::Utf8FromUtf16(reinterpret_cast<const char16_t*>(argv[i])));
    }
    const bool terminal = _isatty(_fileno(stdout)) != 0;
    const int code = gw::cli::RunCli(words, {std::cout, std::cerr, terminal});
    std::cout.flush();
    if (consolePage != 0) {
        SetConsoleOutputCP(consolePage);
    }
    return code;
}

#else
#include <unistd.h>

int main(int argc, char** argv) {
    gw::InstallInterruptCleanup();
    const std::vector<std::string> words(argv + 1, argv + argc);
    return gw::cli::RunCli(words, {std::cout, std::cerr, ::isatty(STDOUT_FILENO) != 0});
}

#endif
