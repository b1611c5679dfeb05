#include "startup/CommandLine.h"

namespace zelvane {

namespace {

// The toolkit's documented options for every program, by whether a value follows.
const QStringList kToolkitOptionsWithValue = {
    QStringLiteral("platform"),   QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),     QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"), QStringLiteral("session"),          QStringLiteral("display"),
    QStringLiteral("geometry"),   QStringLiteral("style"),              QStringLiteral("stylesheet")};
const QStringList kToolkitFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount")};
// Those that also take their value after "=".
const QStringList kToolkitOptionsWithEquals = {QStringLiteral("style"), QStringLiteral("stylesheet"),
                                               QStringLiteral("qmljsdebugger")};

} // namespace

TrayCommandLine readTrayCommandLine(const QStringList& arguments)
{
    bool help = false, version = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            help = true;
            continue;
        }
        if (arg == QLatin1String("--version")) {
            version = true;
            continue;
        }
        if (arg == QLatin1String("--again"))
            continue;
        // The toolkit takes its options with one dash or two.
        const QString name = arg.startsWith(QLatin1String("--")) ? arg.mid(2)
                             : arg.startsWith(QLatin1Char('-')) ? arg.mid(1)
                                                                : QString();
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        if (equals > 0 && kToolkitOptionsWithEquals.contains(name.left(equals)))
            continue;
        if (kToolkitFlags.contains(name))
            continue;
        if (kToolkitOptionsWithValue.contains(name)) {
            if (i + 1 >= arguments.size())
                return {TrayCommandLine::Ask::Usage, QStringLiteral("%1 needs a value").arg(arg)};
            ++i;
            continue;
        }
        return {TrayCommandLine::Ask::Usage, QStringLiteral("unknown argument \"%1\"").arg(arg)};
    }
    if (help)
        return {TrayCommandLine::Ask::Help, {}};
    if (version)
        return {TrayCommandLine::Ask::Version, {}};
    return {};
}

} // namespace zelvane
