#include "cli/cli.h"
#include "common/text.h"
#include "system/interrupt_cleanup.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include "cli/console_stream.h"

#include <chrono>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <windows.h>

namespace {

// Text for a console goes to it as UTF-16, a line at a time, so that every name shows whatever
// the console's code page; to a file or a pipe the UTF-8 bytes go as they are.
std::unique_ptr<gw::cli::LineStreamBuf> consoleBufferFor(DWORD which, std::ostream& stream) {
    void* const handle = GetStdHandle(which);
    if (!gw::cli::IsConsole(handle)) {
        return nullptr;
    }
    auto buffer = std::make_unique<gw::cli::LineStreamBuf>(
        [handle](std::string_view text) { gw::cli::WriteToConsole(handle, text); });
    stream.rdbuf(buffer.get());
    return buffer;
}

// Waits for a key in the program's own console window, for ten minutes at most: the user who
// started the program from Explorer has read the usage by then, or left.
void waitForKey() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes{10};
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0 ||
            WaitForSingleObject(input, static_cast<DWORD>(left.count())) != WAIT_OBJECT_0) {
            return;
        }
        INPUT_RECORD record{};
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read)) {
            return;
        }
        if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
            return;
        }
    }
}

} // namespace

// Windows hands the arguments over as UTF-16, so that any file name arrives whole, whatever
// the code page.
int wmain(int argc, wchar_t** argv) {
    gw::InstallInterruptCleanup();
    // The same bytes as everywhere else: lines end in LF, not CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::ostream out(std::cout.rdbuf()), err(std::cerr.rdbuf());
    const auto outConsole = consoleBufferFor(STD_OUTPUT_HANDLE, out);
    const auto errConsole = consoleBufferFor(STD_ERROR_HANDLE, err);
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        words.push_back(gw::Utf8FromUtf16(reinterpret_cast<const char16_t*>(argv[i])));
    }
    const bool terminal = outConsole != nullptr;
    const int code = gw::cli::RunCli(words, {out, err, terminal});
    out.flush();
    // Started from Explorer, the program is alone on a console window of its own that closes
    // with it: the usage stays up until a key is pressed.
    DWORD processes[2];
    if (words.empty() && errConsole && GetConsoleProcessList(processes, 2) == 1) {
        err << "\nPress any key to close this window.\n";
        err.flush();
        waitForKey();
    }
    err.flush();
    return code;
}

#else
#include <unistd.h>

int main(int argc, char** argv) {
    gw::InstallInterruptCleanup();
    const std::vector<std::string> words(argv + 1, argv + argc);
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
    // Output for a pipe or a file (a listing of thousands of lines) goes out in large pieces;
    // a terminal keeps its lines as they come.
    if (!terminal) {
        std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    }
    return gw::cli::RunCli(words, {std::cout, std::cerr, terminal});
}

#endif
