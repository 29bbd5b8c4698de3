#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gw {

// How a program started by RunAndWait ended.
struct ProcessOutcome {
    bool Started = false;  // false: the program never ran; Cause says why
    int ExitCode = -1;     // the program's exit code, when it ended by itself
    int Signal = 0;        // the signal that ended it (POSIX), 0 when it ended by itself
    bool TimedOut = false; // ended by RunAndWait because the time limit passed
    bool Stopped = false;  // ended by RunAndWait because OnWait asked to stop
    std::chrono::seconds TimeLimit{0}; // the limit it ran under, for describe()
    std::string Cause;                 // why it could not be started or awaited

    // True when the program ran and exited with code 0 by itself.
    [[nodiscard]] bool succeeded() const {
        return Started && !TimedOut && !Stopped && Signal == 0 && ExitCode == 0 && Cause.empty();
    }

    // For messages: "exited with code 3", "was ended by signal 9", "was ended after the time
    // limit of 600 seconds", "was stopped", "could not be started: ...".
    [[nodiscard]] std::string describe() const;
};

// How RunAndWait runs a program.
struct RunOptions {
    // The program runs here; in the caller's current directory when empty.
    std::filesystem::path WorkingDirectory;
    // When the program has run this long, it is ended with everything it started.
    std::chrono::seconds TimeLimit{600};
    // Called about once a second while the program runs, with the whole seconds waited so far;
    // returning false ends the program with everything it started. May be empty.
    std::function<bool(std::chrono::seconds waited)> OnWait;
    // When set, the program's standard output or standard error goes to this file (created, or
    // emptied first) instead of the caller's.
    std::filesystem::path StandardOutput;
    std::filesystem::path StandardError;
};

// Splits a whole command line into the program and its arguments by the rules of the Microsoft
// C runtime, so that a line written for Windows means the same everywhere. Blanks (space, tab)
// separate words; blanks before the program are skipped.
// - The program (the first word): double quotes group blanks and are removed; backslashes are
//   plain characters.
// - Every later word: double quotes group and are removed; 2n backslashes before a double
//   quote give n backslashes and the quote groups, 2n+1 backslashes before it give n
//   backslashes and a literal quote; backslashes not before a quote are plain; two double
//   quotes inside a quoted part give one literal quote and the part stays quoted.
// A quoted part that is never closed runs to the end of the line. An empty or all-blank line
// gives no words.
[[nodiscard]] std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The command line that SplitCommandLine splits into exactly these words: the program in
// quotes when it holds a blank (it may hold no double quote), every argument quoted only when
// it must be, with backslashes doubled before a quote.
[[nodiscard]] std::string JoinCommandLine(const std::vector<std::string>& words);

// A system's error text (Windows' FormatMessage) made into a clause for a sentence: "%1" filled
// in with the program's name in quotes, other inserts dropped, the final line end, blanks and
// full stop removed; "error <code>" when nothing is left.
[[nodiscard]] std::string SystemMessageText(const std::string& raw, const std::string& program,
                                            unsigned long code);

// The file the program runs from, as RunAndWait would start it: a name with a '/' as it
// stands, any other name searched on the PATH (POSIX; on Windows CreateProcessW's own search
// decides, and this gives the name as it stands). Nothing when no such file can be run.
[[nodiscard]] std::optional<std::filesystem::path> FindProgram(const std::string& program);

// Runs a whole command line, program and arguments in one text quoted as the caller gives them,
// and returns only after the program has ended. No shell is involved: on Windows the line goes
// to CreateProcessW as it stands, and the process runs in a job object; elsewhere it is split
// by SplitCommandLine and the program is started directly (a program without a '/' is looked
// up on the PATH) in a process group of its own. The program inherits the caller's environment
// and standard handles. When it ends by itself, anything it started and left running is ended
// too. When the time limit passes or OnWait says stop, the program and everything it started
// are ended (POSIX: SIGTERM to the group, SIGKILL after a short grace period). While it runs,
// an interruption of the caller (Ctrl-C, SIGTERM, SIGHUP) ends its group as well.
[[nodiscard]] ProcessOutcome RunAndWait(const std::string& commandLine,
                                        const RunOptions& options = {});

} // namespace gw
