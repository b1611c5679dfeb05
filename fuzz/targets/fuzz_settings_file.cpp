// The settings file is a text file the user may edit by hand: whatever it
// holds, the load takes what it can, a save of what was loaded reads back
// as the same settings, and the file stays readable by its owner only (it
// holds the PIN).
#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "app/clsSettings.h"
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
    clsSettings s(area, clock, QStringLiteral("/opt/zelvane"));
    s.LoadSettings();
    return {s.m_dMemberNo,   s.m_strLastName,    s.pinText(),       s.m_strMail,
            s.m_ProgDirectory, s.m_dtstrCurrTime, s.m_dLastLoginTime, s.m_Autostartup,
            s.m_nTimeMin,    s.m_nTimeHou,       s.m_nTimeDay,      s.m_nCBTimeIndex,
            s.m_nMailSendType};
}

void save(const Loaded& v, const FixedClock& clock)
{
    NativeSettingsArea area;
    clsSettings s(area, clock, QStringLiteral("/opt/zelvane"));
    s.m_dMemberNo = v.memberNo;
    s.m_strLastName = v.lastName;
    s.setPinText(v.pin);
    s.m_strMail = v.mail;
    s.m_ProgDirectory = v.progDirectory;
    s.m_dtstrCurrTime = v.currTime;
    s.m_dLastLoginTime = v.lastLoginTime;
    s.m_Autostartup = v.autostart;
    s.m_nTimeMin = v.timeMin;
    s.m_nTimeHou = v.timeHou;
    s.m_nTimeDay = v.timeDay;
    s.m_nCBTimeIndex = v.timeIndex;
    s.m_nMailSendType = v.mailSendType;
    if (!s.SaveSettings().ok())
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
