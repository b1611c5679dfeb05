#pragma once

#include "app/Clock.h"
#include "app/Dialogs.h"
#include "app/MessageBoxes.h"
#include "app/SettingsArea.h"
#include "notify/DesktopFacts.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

class QJsonObject;
class QProcess;

namespace zelvane::test {

// A clock the test moves by hand.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2026, 12, 8), QTime(8, 0)))
        : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& t) { now_ = t; }
    void advance(qint64 ms) { now_ = now_.addMSecs(ms); }

private:
    QDateTime now_;
};

// An in-memory settings area that records the order of writes and reads and
// can refuse a key.
class MemorySettingsArea final : public SettingsArea {
public:
    QString get(const QString& key, const QString& defaultValue) override;
    QString write(const SettingsTexts& values, const QStringList& removed) override;

    QMap<QString, QString> values;
    QStringList writes; // keys in the order they were written
    QStringList reads;  // keys in the order they were read
    QString refuseKey;  // a write that holds this key fails, and changes nothing
    int commits = 0;    // times the store was written
};

// Records every message box and answers from a queue (Ok / Yes by default).
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        QString text, title;
        MsgIcon icon;
        MsgButtons buttons;
    };
    MsgAnswer show(const QString& text, const QString& title, MsgIcon icon,
                   MsgButtons buttons) override;
    std::deque<MsgAnswer> answers;
    QList<Shown> shown;
};

// Answers the dialogs as the test set them, and records the pages handed to
// the browser and the file each export suggested.
class RecordingDialogs final : public Dialogs {
public:
    std::optional<QDate> chooseSnoozeEnd(const QDate&, const QDate&) override { return snoozeEnd; }
    QString chooseExportFile(const QString& suggested) override
    {
        suggestedFiles << suggested;
        return exportFile;
    }
    void openWebPage(const QUrl& url) override { opened << url; }

    std::optional<QDate> snoozeEnd; // none: cancelled
    QString exportFile;             // empty: cancelled
    QStringList suggestedFiles;
    QList<QUrl> opened;
};

// A desktop whose tray and notification service are what the test says.
struct SetDesktop final : DesktopFacts {
    bool tray = true, statusNotifier = false, notes = false;
    bool trayAvailable() const override { return tray; }
    bool statusNotifierTray() const override { return statusNotifier; }
    bool notesAvailable() const override { return notes; }
};

// The test's own home (set by CTest), emptied and made again.
QString freshHome();
// The day the programs a test starts take for today (ZELVANE_TODAY), else the
// real one.
QDate testToday();
// A new empty folder under the test's home.
QString freshFolder(const QString& name);
// Writes raw bytes to a file, making its folder.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Starts a helper server and waits until it writes its port to `portFile`
// (a file renamed into place). The port, or 0 with a warning naming `who`.
int startListening(QProcess& process, const QString& program, const QStringList& args,
                   const QString& portFile, const char* who);
// Ends a helper started that way: politely, then for sure.
void stopProcess(QProcess& process);
// Polls with the event loop running (servers on this thread answer); the
// bound only ends a test that would hang.
bool waitUntil(const std::function<bool()>& done, int boundMs = 90000);
// The Message-ID headers of the mails an SMTP test server took.
QStringList messageIds(const QList<QJsonObject>& mails);
// A tmpfs of `bytes` on a fresh folder, as a data folder that fills up;
// unmounted when this goes. No path where this process may not mount (not root).
class SmallDisk {
public:
    explicit SmallDisk(qint64 bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    QString path() const { return mounted_ ? path_ : QString(); }
    // Writes a file until the disk takes no more; room() removes it.
    bool fill();
    bool room();

private:
    QString path_;
    bool mounted_ = false;
};

// A field of /proc/self/status ("VmRSS:", "VmHWM:"), for the benchmarks.
QByteArray procStatus(const char* key);

} // namespace zelvane::test
