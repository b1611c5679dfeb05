#pragma once

// Skips for a tool that is not installed here, and test mains that tell CTest
// so (exit status 77): a QSKIP alone ends the run with 0, which CTest counts
// as passed.

#include <QCoreApplication>
#include <QtTest/qtestcase.h>

namespace zelvane::test {

// Records that this run went without `tool`, named as the user installs it.
void noteMissingTool(const char* tool);
// The run's exit status from QTest::qExec's: 77 when nothing failed but a tool
// was missing, with a line on stderr naming the missing tools.
int exitStatus(int failures);

} // namespace zelvane::test

// Skips the test function (or the row, or the whole run from initTestCase).
#define ZELVANE_SKIP_MISSING_TOOL(tool)                                                    \
    do {                                                                                   \
        zelvane::test::noteMissingTool(tool);                                              \
        QSKIP(tool " is not installed (scripts/bootstrap installs it)");                   \
    } while (false)

// In place of QTEST_MAIN and QTEST_GUILESS_MAIN, with the same application kinds.
#define ZELVANE_TEST_MAIN_WITH(Application, TestObject)                                    \
    int main(int argc, char* argv[])                                                       \
    {                                                                                      \
        Application app(argc, argv);                                                       \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                           \
        TestObject tc;                                                                     \
        return zelvane::test::exitStatus(QTest::qExec(&tc, argc, argv));                   \
    }

#if defined(QT_WIDGETS_LIB)
#include <QApplication>
#define ZELVANE_TEST_MAIN(TestObject) ZELVANE_TEST_MAIN_WITH(QApplication, TestObject)
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
#define ZELVANE_TEST_MAIN(TestObject) ZELVANE_TEST_MAIN_WITH(QGuiApplication, TestObject)
#else
#define ZELVANE_TEST_MAIN(TestObject) ZELVANE_TEST_MAIN_WITH(QCoreApplication, TestObject)
#endif
#define ZELVANE_TEST_GUILESS_MAIN(TestObject) ZELVANE_TEST_MAIN_WITH(QCoreApplication, TestObject)
