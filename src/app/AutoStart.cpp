#include "app/AutoStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace zelvane {

QString autoStartEntryPath()
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/Zelvane.desktop"));
}

QString autoStartEntryText(const QString& executablePath)
{
    // Desktop-entry Exec quoting: a path with blanks or reserved characters
    // goes in double quotes with ", `, $ and \ escaped.
    QString exec = executablePath;
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool needsQuotes = false;
    for (QChar c : exec)
        needsQuotes = needsQuotes || reserved.contains(c);
    if (needsQuotes) {
        QString quoted;
        for (QChar c : exec) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        exec = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // A lone "%" starts a field code, which the desktop would expand or drop.
    exec.replace(QLatin1Char('%'), QLatin1String("%%"));
    // TryExec lets the desktop skip the entry once the program is uninstalled,
    // instead of failing to start it at every log-in. A plain string value:
    // only the backslash escapes apply.
    QString tryExec = executablePath;
    tryExec.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Zelvane\n"
                          "Comment=Watches frequent-flyer award seats\n"
                          "Exec=%1\n"
                          "TryExec=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(exec, tryExec);
}

QString launcherPath(const QString& programFile)
{
    // The program's own path comes resolved from /proc/self/exe; the link in
    // bin/ is what stays put when a package update moves the program folder.
    const QFileInfo program(programFile);
    const QString link =
        QDir::cleanPath(program.absolutePath() + QStringLiteral("/../../bin/") + program.fileName());
    const QString target = QFileInfo(link).canonicalFilePath();
    if (!target.isEmpty() && target == program.canonicalFilePath())
        return link;
    return programFile;
}

void setAutoStart(bool enable)
{
    const QString exe =
        QDir::toNativeSeparators(launcherPath(QCoreApplication::applicationFilePath()));
#ifdef Q_OS_WIN
    QSettings run(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                  QSettings::NativeFormat);
    if (!run.isWritable())
        return;
    if (enable)
        run.setValue(kAutoStartName, exe);
    else
        run.remove(kAutoStartName);
#else
    const QString path = autoStartEntryPath();
    if (enable) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(autoStartEntryText(exe).toUtf8());
            f.commit();
        }
    } else {
        QFile::remove(path);
    }
#endif
}

} // namespace zelvane
