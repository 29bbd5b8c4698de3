// Linked into every window test program: before main() runs, the programs are set to draw
// offscreen and to log to stderr, unless the environment already says otherwise. ctest sets the
// platform on Linux, but Wine passes no QT_* variable on to Windows programs, and on Windows Qt
// Test writes its results to the debugger rather than to a redirected stdout.

#include <QByteArray>
#include <QtGlobal>

namespace {

const bool kEnvironmentSet = [] {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    }
    if (!qEnvironmentVariableIsSet("QT_FORCE_STDERR_LOGGING")) {
        qputenv("QT_FORCE_STDERR_LOGGING", QByteArrayLiteral("1"));
    }
    return true;
}();

} // namespace
