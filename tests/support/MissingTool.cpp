#include "support/MissingTool.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace zelvane::test {

namespace {

// CTest's SKIP_RETURN_CODE for every test.
constexpr int kSkipped = 77;

QStringList& missing()
{
    static QStringList tools;
    return tools;
}

} // namespace

void noteMissingTool(const char* tool)
{
    const QString name = QString::fromUtf8(tool);
    if (!missing().contains(name))
        missing() << name;
}

int exitStatus(int failures)
{
    if (!missing().isEmpty())
        std::fprintf(stderr, "%s: %s for want of %s; scripts/bootstrap installs what is missing\n",
                     qPrintable(QCoreApplication::applicationName()),
                     failures == 0 ? "SKIPPED" : "also skipped parts", qPrintable(missing().join(", ")));
    if (failures == 0)
        return missing().isEmpty() ? 0 : kSkipped;
    // A count of 77 failures would read as skipped.
    return failures == kSkipped ? failures + 1 : failures;
}

} // namespace zelvane::test
