#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QStorageInfo>
#include <QTest>
#include <QtDebug>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace zelvane::test {

namespace {

// Tests that draw text see only the fonts of fonts.conf; without them there
// is nothing to measure, so the run is skipped rather than failed.
void skipWithoutTestFonts()
{
    if (qEnvironmentVariableIsEmpty("FONTCONFIG_FILE")
        || !QCoreApplication::instance()->inherits("QGuiApplication")
        || QFileInfo::exists(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf")))
        return;
    std::fprintf(stderr, "SKIPPED for want of fonts-dejavu-core; scripts/bootstrap installs what is missing\n");
    std::exit(77);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(skipWithoutTestFonts)

QString MemorySettingsArea::write(const SettingsTexts& texts, const QStringList& removed)
{
    for (const auto& [key, text] : texts)
        if (key == refuseKey)
            return QStringLiteral("%1 is refused").arg(key);
    if (removed.contains(refuseKey))
        return QStringLiteral("%1 is refused").arg(refuseKey);
    for (const auto& [key, text] : texts) {
        values[key] = text;
        writes << key;
    }
    for (const QString& key : removed)
        values.remove(key);
    ++commits;
    return {};
}

QString MemorySettingsArea::get(const QString& key, const QString& defaultValue)
{
    reads << key;
    return values.value(key, defaultValue);
}

MsgAnswer RecordingMessageBoxes::show(const QString& text, const QString& title, MsgIcon icon,
                                      MsgButtons buttons)
{
    shown.append({text, title, icon, buttons});
    if (!answers.empty()) {
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

QString freshHome()
{
    QString home = qEnvironmentVariable("ZELVANE_TEST_HOME");
    if (home.isEmpty())
        home = QDir::temp().filePath(QStringLiteral("zelvane-test-home"));
    QDir(home).removeRecursively();
    QDir().mkpath(home + QStringLiteral("/config"));
    QDir().mkpath(home + QStringLiteral("/data"));
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return home;
}

QString freshFolder(const QString& name)
{
    QString home = qEnvironmentVariable("ZELVANE_TEST_HOME");
    if (home.isEmpty())
        home = QDir::temp().filePath(QStringLiteral("zelvane-test-home"));
    const QString path = QDir(home).filePath(QStringLiteral("work/") + name);
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace zelvane::test

namespace zelvane::test {

bool waitUntil(const std::function<bool()>& done, int boundMs)
{
    return QTest::qWaitFor(done, boundMs);
}

QStringList messageIds(const QList<QJsonObject>& mails)
{
    QStringList out;
    for (const QJsonObject& m : mails)
        for (const QJsonValue& h : m["headers"].toArray())
            if (h[0].toString() == "Message-ID")
                out << h[1].toString();
    return out;
}

SmallDisk::SmallDisk(qint64 bytes)
    : path_(freshFolder(QStringLiteral("tmpfs")))
{
    mounted_ = ::geteuid() == 0
               && QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o",
                                                              QStringLiteral("size=%1,mode=0700").arg(bytes),
                                                              "tmpfs", path_}) == 0;
}

SmallDisk::~SmallDisk()
{
    if (mounted_)
        QProcess::execute(QStringLiteral("umount"), {"-l", path_});
}

bool SmallDisk::fill()
{
    QFile filler(path_ + QStringLiteral("/filler"));
    if (!mounted_ || !filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    return QStorageInfo(path_).bytesAvailable() < block.size();
}

bool SmallDisk::room()
{
    return QFile::remove(path_ + QStringLiteral("/filler"));
}

QByteArray procStatus(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).simplified();
    return "?";
}

} // namespace zelvane::test

namespace zelvane::test {

int startListening(QProcess& process, const QString& program, const QStringList& args,
                   const QString& portFile, const char* who)
{
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForStarted(10000)) {
        qWarning() << who << ": cannot start" << program << process.errorString();
        return 0;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 15000) {
        QFile f(portFile);
        if (f.open(QIODevice::ReadOnly)) {
            bool ok = false;
            const int port = f.readAll().trimmed().toInt(&ok);
            if (ok && port > 0)
                return port;
        }
        if (process.state() == QProcess::NotRunning || process.waitForFinished(10)) {
            qWarning() << who << ": ended at start, exit code" << process.exitCode();
            return 0;
        }
    }
    qWarning() << who << ": not ready in time";
    stopProcess(process);
    return 0;
}

void stopProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

QDate testToday()
{
    const QDate pinned = QDate::fromString(qEnvironmentVariable("ZELVANE_TODAY"), Qt::ISODate);
    return pinned.isValid() ? pinned : QDate::currentDate();
}

} // namespace zelvane::test
