#include "app/clsSettings.h"

#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "app/TextConversions.h"

#include <functional>
#include <limits>
#include <utility>

namespace zelvane {

namespace {

bool allDigits(const QString& s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString int16Text(qint16 v)
{
    return QString::number(v);
}

} // namespace

clsSettings::clsSettings(SettingsArea& area, const Clock& clock, QString programFolder)
    : area_(area), clock_(clock), programFolder_(std::move(programFolder))
{
}

QString clsSettings::pinText() const
{
    const QString typed = m_strPin.trimmed();
    if (allDigits(typed) && leadingNumber(typed) == m_nPin)
        return typed;
    return int16Text(m_nPin);
}

std::optional<qint16> clsSettings::pinNumber(const QString& typed)
{
    if (!allDigits(typed))
        return std::nullopt;
    bool ok = false;
    const int n = typed.toInt(&ok);
    if (!ok || n > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(n);
}

bool clsSettings::setPinText(const QString& typed)
{
    const auto pin = pinNumber(typed);
    if (!pin)
        return false;
    m_nPin = *pin;
    m_strPin = typed;
    return true;
}

bool clsSettings::memberDetailsMissing() const
{
    return m_dMemberNo == 0 && m_strLastName.trimmed().isEmpty() && m_nPin == 0;
}

SettingsStatus clsSettings::LoadSettings()
{
    // Each step reads one key and converts it; the first that cannot be
    // converted stops the load and leaves the later fields as they were.
    const auto int16Into = [](qint16& field) {
        return [&field](const QString& text) {
            const auto v = strictInt16(text);
            if (v)
                field = *v;
            return v.has_value();
        };
    };
    const auto dateInto = [](QDateTime& field) {
        return [&field](const QString& text) {
            const auto v = parseGeneralDateTime(text);
            if (v)
                field = *v;
            return v.has_value();
        };
    };
    // A missing key never fails the load: its default is written in a form
    // that reads back.
    const auto nowText = [this] { return storedDateTimeText(clock_.now()); };

    struct Key {
        const char* name;
        std::function<QString()> defaultText;
        std::function<bool(const QString&)> apply;
    };
    const Key keys[] = {
        {"MemberNo", [] { return QStringLiteral("0"); },
         [this](const QString& t) { m_dMemberNo = leadingNumber(t); return true; }},
        {"LastName", [] { return QString(); },
         [this](const QString& t) { m_strLastName = t; return true; }},
        {"Pin", [] { return QStringLiteral("0"); },
         [this](const QString& t) {
             const auto pin = roundToInt16(leadingNumber(t));
             if (!pin)
                 return false;
             m_nPin = *pin;
             const QString typed = t.trimmed();
             m_strPin = allDigits(typed) ? typed : int16Text(*pin);
             return true;
         }},
        {"Mail", [] { return QString(); },
         [this](const QString& t) { m_strMail = t; return true; }},
        {"Autostartup", [] { return QStringLiteral("1"); }, int16Into(m_Autostartup)},
        {"ProgDirectory", [this] { return programFolder_; },
         [this](const QString& t) { m_ProgDirectory = t; return true; }},
        {"strCurrTime", nowText, dateInto(m_dtstrCurrTime)},
        {"TimeMin", [] { return QStringLiteral("10"); }, int16Into(m_nTimeMin)},
        {"TimeHou", [] { return QStringLiteral("0"); }, int16Into(m_nTimeHou)},
        {"TimeDay", [] { return QStringLiteral("1"); }, int16Into(m_nTimeDay)},
        {"TimeIndex", [] { return QStringLiteral("1"); }, int16Into(m_nCBTimeIndex)},
        {"LastLoginTime", nowText, dateInto(m_dLastLoginTime)},
        {"MailSendType", [] { return QStringLiteral("0"); }, int16Into(m_nMailSendType)},
    };
    for (const Key& k : keys) {
        const QString name = QString::fromLatin1(k.name);
        const QString text = area_.get(name, k.defaultText());
        if (!k.apply(text))
            return {name, QStringLiteral("cannot convert \"%1\"").arg(text)};
    }
    loadAlertSettings();
    return {};
}

namespace {

// The alert keys, in the order they are written; each with its default.
struct AlertKey {
    const char* name;
    QString clsSettings::*text = nullptr;
    int clsSettings::*number = nullptr;
    int lowest = 0, highest = 0, fallback = 0;
};

const AlertKey kAlertKeys[] = {
    {"SmtpHost", &clsSettings::m_strSmtpHost},
    {"SmtpPort", nullptr, &clsSettings::m_nSmtpPort, 1, 65535, 587},
    {"SmtpSecurity", nullptr, &clsSettings::m_nSmtpSecurity, 0, 2, 1},
    {"SmtpUser", &clsSettings::m_strSmtpUser},
    {"SmtpFrom", &clsSettings::m_strSmtpFrom},
    {"SmtpPassword", &clsSettings::m_strSmtpPassword},
    {"SiteUrl", &clsSettings::m_strSiteUrl},
    {"NotifyDesktop", nullptr, &clsSettings::m_nNotifyDesktop, 0, 1, 1},
    {"PushUrl", &clsSettings::m_strPushUrl},
    {"LoginFailTold", nullptr, &clsSettings::m_nLoginFailTold, 0, 1, 0},
    {"AnnounceChangesOnly", nullptr, &clsSettings::m_nAnnounceChangesOnly, 0, 1, 0},
};

} // namespace

void clsSettings::loadAlertSettings()
{
    for (const AlertKey& k : kAlertKeys) {
        const QString name = QString::fromLatin1(k.name);
        if (k.text) {
            this->*k.text = area_.get(name, QString());
            continue;
        }
        bool ok = false;
        const int v = area_.get(name, QString::number(k.fallback)).trimmed().toInt(&ok);
        this->*k.number = ok && v >= k.lowest && v <= k.highest ? v : k.fallback;
    }
}

SettingsStatus clsSettings::saveAlertSettings()
{
    for (const AlertKey& k : kAlertKeys) {
        const QString name = QString::fromLatin1(k.name);
        const QString text = k.text ? this->*k.text : QString::number(this->*k.number);
        // A password the secret store keeps leaves no trace in the file.
        const bool ok = k.text == &clsSettings::m_strSmtpPassword && text.isEmpty()
                            ? area_.remove(name)
                            : area_.save(name, text);
        if (!ok)
            return {name, QStringLiteral("cannot write")};
    }
    return {};
}

SettingsStatus clsSettings::SaveSettings()
{
    const std::pair<const char*, QString> values[] = {
        {"MemberNo", numberText(m_dMemberNo)},
        {"LastName", m_strLastName},
        {"Pin", pinText()},
        {"ProgDirectory", m_ProgDirectory},
        {"strCurrTime", storedDateTimeText(m_dtstrCurrTime)},
        {"Autostartup", int16Text(m_Autostartup)},
        {"Mail", m_strMail},
        {"TimeMin", int16Text(m_nTimeMin)},
        {"TimeHou", int16Text(m_nTimeHou)},
        {"TimeDay", int16Text(m_nTimeDay)},
        {"TimeIndex", int16Text(m_nCBTimeIndex)},
        {"LastLoginTime", storedDateTimeText(m_dLastLoginTime)},
        {"MailSendType", int16Text(m_nMailSendType)},
    };
    for (const auto& [key, text] : values) {
        const QString name = QString::fromLatin1(key);
        if (!area_.save(name, text))
            return {name, QStringLiteral("cannot write")};
    }
    return saveAlertSettings();
}

} // namespace zelvane
