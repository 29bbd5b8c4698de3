#pragma once

#include <string>

namespace gw {

// How a program started by RunAndWait ended.
struct ProcessOutcome {
    bool started = false; // false: the program never ran; cause says why
    int exitCode = -1;    // the program's exit code, when it ended by itself
    int signal = 0;       // the signal that ended it (POSIX), 0 when it ended by itself
    std::string cause;    // why it could not be started or awaited

    // True when the program ran and exited with code 0.
    bool succeeded() const { return started && signal == 0 && exitCode == 0; }

    // For messages: "exited with code 3", "was ended by signal 9",
    // "could not be started: ...".
    std::string describe() const;
};

// Runs a whole command line, program and arguments in one text quoted as the caller gives them,
// and returns only after the program has ended. The program inherits the caller's environment
// and standard handles; it runs in workingDirectory, or in the caller's current directory when
// that is empty. On Windows the command line goes to CreateProcess; elsewhere to /bin/sh -c,
// where a program the shell cannot find or run (exit code 127 or 126) counts as not started.
ProcessOutcome RunAndWait(const std::string& commandLine, const std::string& workingDirectory = "");

} // namespace gw
