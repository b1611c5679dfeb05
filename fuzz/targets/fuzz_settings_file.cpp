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
    Member member;
    Schedule schedule;
    MailPolicy mailPolicy;
    StartChoice start;
    // A save keeps 15 significant digits of the member number and every
    // other value whole.
    // The PIN as it is sent, not how it is held.
    bool sameAfterSave(const Loaded& other) const
    {
        if (std::abs(other.member.number - member.number) > std::abs(member.number) * 1e-14)
            return false;
        const Member& a = member;
        const Member& b = other.member;
        return a.surname == b.surname && a.pinText() == b.pinText() && a.email == b.email
               && schedule == other.schedule && mailPolicy == other.mailPolicy && start == other.start;
    }
};

Loaded load(const FixedClock& clock)
{
    NativeSettingsArea area;
    Settings s(area, clock, QStringLiteral("/opt/zelvane"));
    s.load();
    return {*s.member, *s.schedule, *s.mailPolicy, *s.start};
}

void save(const Loaded& v, const FixedClock& clock)
{
    NativeSettingsArea area;
    Settings s(area, clock, QStringLiteral("/opt/zelvane"));
    s.member.set(v.member);
    s.schedule.set(v.schedule);
    s.mailPolicy.set(v.mailPolicy);
    s.start.set(v.start);
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
