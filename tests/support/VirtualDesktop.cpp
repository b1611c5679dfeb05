#include "support/VirtualDesktop.h"

#include "support/TestSupport.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QtTest>

namespace zelvane::test {

VirtualDesktop::~VirtualDesktop()
{
    stopProcess(trayer_);
    stopProcess(xvfb_);
}

QString VirtualDesktop::missingTool()
{
    for (const char* tool : {"Xvfb", "trayer", "xdotool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QString::fromLatin1(tool);
    return {};
}

bool VirtualDesktop::start()
{
    // Xvfb picks a free display and writes its number and a newline. It must
    // not reset when its last client leaves: that drops one still connecting.
    xvfb_.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-noreset", "-screen", "0", "1024x768x24",
                                         "-nolisten", "tcp"});
    while (!xvfb_.canReadLine() && xvfb_.waitForReadyRead(60000)) {
    }
    if (!xvfb_.canReadLine()) {
        qWarning("Xvfb did not start");
        return false;
    }
    display_ = QLatin1Char(':') + QString::fromLatin1(xvfb_.readLine()).trimmed();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    trayer_.setProcessEnvironment(env);
    trayer_.start(QStringLiteral("trayer"), {"--edge", "bottom", "--align", "right", "--widthtype",
                                             "request", "--height", "24", "--SetPartialStrut", "true"});
    const QDeadlineTimer bound(60000);
    while (!bound.hasExpired()) {
        QProcess search;
        search.setProcessEnvironment(env);
        search.start(QStringLiteral("xdotool"), {"search", "--name", "^panel$"});
        if (search.waitForFinished(10000) && !search.readAllStandardOutput().trimmed().isEmpty())
            return true;
        QTest::qWait(100);
    }
    qWarning("trayer did not start");
    return false;
}

} // namespace zelvane::test
