#pragma once

#include <QString>
#include <QStringList>

namespace zelvane {

// What the tray program's command line asks for. Read before the toolkit
// starts, which needs a display: --help, --version and a wrong argument are
// answered where there is none. The toolkit's own options (-platform,
// -style, -session …, also with two dashes) are known here and go on to it.
struct TrayCommandLine {
    enum class Ask { Run, Help, Version, Usage };
    Ask ask = Ask::Run;
    QString problem; // with Usage: what is wrong
};
TrayCommandLine readTrayCommandLine(const QStringList& arguments);

inline constexpr int kUsageExitCode = 64;
// No display to show the windows on (EX_UNAVAILABLE).
inline constexpr int kNoDisplayExitCode = 69;
inline const char* const kNoDisplayText =
    "zelvane: there is no display to show its windows on; it runs in a desktop session.\n"
    "To check for seats without a display, run zelvane-check (see man zelvane-check).\n";

} // namespace zelvane
