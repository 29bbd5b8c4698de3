#include "setup/cabwiz_command.h"

#include "common/error.h"
#include "common/file_io.h"
#include "common/text.h"
#include "setup/text_file.h"

namespace gw {

std::optional<Token> NextToken(std::string_view text) {
    text = Trim(text, " ");
    std::string_view token;
    std::string_view rest;
    if (!text.empty() && text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        token = text.substr(1, close - 1);
        rest = text.substr(close + 1);
    } else {
        const std::size_t end = std::min(text.find_first_of(" \""), text.size());
        token = text.substr(0, end);
        rest = text.substr(end);
    }
    token = Trim(token, " ");
    if (token.empty()) {
        return std::nullopt;
    }
    return Token{std::string(token), std::string(Trim(rest, " "))};
}

CabwizInfo ReadCabwizCommand(const std::filesystem::path& readmePath) {
    TextFile readme;
    try {
        readme.Load(PathToUtf8(readmePath));
    } catch (const Error& e) {
        // The text store's own failure texts are not English: the cause alone is shown.
        throw Error(std::string(kReadmeErrorMessage) + ": " + DisplayPath(readmePath) + ": " +
                    e.cause());
    }
    return CabwizCommandIn(readme);
}

CabwizInfo CabwizCommandIn(TextFile& readme) {
    const auto fail = [](const std::string& reason) {
        return Error(std::string(kReadmeErrorMessage) + ": " + reason);
    };
    CabwizInfo info;
    // The wizard wrote the README in the system's code page; the line is kept as UTF-8, so that
    // its paths name the same files on every system and messages show them as written.
    info.CabwizCommand = Utf8FromWindowsText(readme.Line(readme.FindFirst("cabwiz", 1)));
    if (info.CabwizCommand.empty()) {
        throw fail("README.TXT has no cab builder line (a line holding \"cabwiz\")");
    }
    const auto program = NextToken(info.CabwizCommand);
    const auto inf = program ? NextToken(program->Rest) : std::nullopt;
    if (!inf) {
        throw fail("the cab builder line names no INF file after the program");
    }
    info.CabwizProgram = program->Text;
    info.InfPath = inf->Text;

    if (const std::size_t cpu = inf->Rest.find("/cpu"); cpu != std::string::npos) {
        std::string names = inf->Rest.substr(cpu + 4);
        // The names end at the line's end or at the next option of the cab builder.
        for (auto name = NextToken(names); name && name->Text.front() != '/';
             name = NextToken(names)) {
            info.CpuNames.push_back(name->Text);
            names = name->Rest;
        }
    }
    return info;
}

} // namespace gw
