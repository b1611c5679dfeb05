// The settings file is a text file the user may edit by hand: whatever it
// holds, the load takes what it can, a save of what was loaded reads back
// as the same settings, and the file stays readable by its owner only (it
// holds the PIN).
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "app/Settings.h"
#include "FuzzFolder.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace zelvane;

namespace {

class FixedClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 8), QTime(10, 0, 30)); }
};

struct Loaded {
    double memberNo;
    QString lastName, pin, mail, progDirectory;
    QDateTime currTime, lastLoginTime;
    qint16 autostart, timeMin, timeHou, timeDay, timeIndex, mailSendType;
    // A save keeps 15 significant digits of the member number and every
    // other value whole.
    bool sameAfterSave(Loaded other) const
    {
        if (std::abs(other.memberNo - memberNo) > std::abs(memberNo) * 1e-14)
            return false;
        other.memberNo = memberNo;
        return other == *this;
    }
    bool operator==(const Loaded&) const = default;
};

Loaded load(const FixedClock& clock)
{
    NativeSettingsArea area;
    Settings s(area, clock, QStringLiteral("/opt/zelvane"));
    s.load();
    return {s.memberNo,   s.surname,    s.pinText(),       s.email,
            s.programDirectory, s.lastSessionTime, s.lastLoginTime, s.autoStart,
            s.intervalMinutes,    s.intervalHours,       s.intervalDays,      s.intervalChoice,
            s.mailSendType};
}

void save(const Loaded& v, const FixedClock& clock)
{
    NativeSettingsArea area;
    Settings s(area, clock, QStringLiteral("/opt/zelvane"));
    s.memberNo = v.memberNo;
    s.surname = v.lastName;
    s.setPinText(v.pin);
    s.email = v.mail;
    s.programDirectory = v.progDirectory;
    s.lastSessionTime = v.currTime;
    s.lastLoginTime = v.lastLoginTime;
    s.autoStart = v.autostart;
    s.intervalMinutes = v.timeMin;
    s.intervalHours = v.timeHou;
    s.intervalDays = v.timeDay;
    s.intervalChoice = v.timeIndex;
    s.mailSendType = v.mailSendType;
    if (!s.save().ok())
        __builtin_trap();
}

QString settingsFile()
{
    return NativeSettingsArea().fileName();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The settings live in a folder of the run's own, never the user's.
    qputenv("XDG_CONFIG_HOME", fuzzFolder().toUtf8());
    QLocale::setDefault(QLocale(QLocale::English, QLocale::Australia));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FixedClock clock;
    static const QString path = settingsFile();
    static qint64 edits = 0;
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
        // A new time for every edit: the settings reader keeps a file it has
        // read until its size or time changes.
        f.setFileTime(QDateTime::fromSecsSinceEpoch(1'000'000'000 + ++edits),
                      QFileDevice::FileModificationTime);
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }

    const Loaded first = load(clock);
    save(first, clock);
    if (QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther))
        __builtin_trap();
    const Loaded again = load(clock);
    if (!first.sameAfterSave(again))
        __builtin_trap();
    return 0;
}
