#include "app/Settings.h"

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

Settings::Settings(SettingsArea& area, const Clock& clock, QString programFolder)
    : area_(area), clock_(clock), programFolder_(std::move(programFolder))
{
}

QString Settings::pinText() const
{
    const QString typed = typedPin.trimmed();
    if (allDigits(typed) && leadingNumber(typed) == pin)
        return typed;
    return int16Text(pin);
}

std::optional<qint16> Settings::pinNumber(const QString& typed)
{
    if (!allDigits(typed))
        return std::nullopt;
    bool ok = false;
    const int n = typed.toInt(&ok);
    if (!ok || n > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(n);
}

bool Settings::pinIsDigitsOnly(const QString& typed)
{
    return allDigits(typed);
}

bool Settings::setPinText(const QString& typed)
{
    auto number = pinNumber(typed);
    // What pinText() gives is taken back as well: an older file may hold a
    // negative PIN, which must save as it loaded.
    if (!number) {
        bool ok = false;
        const int n = typed.toInt(&ok);
        if (ok && n >= std::numeric_limits<qint16>::min() && n < 0 && int16Text(qint16(n)) == typed)
            number = qint16(n);
    }
    if (!number)
        return false;
    pin = *number;
    typedPin = typed;
    return true;
}

bool Settings::memberDetailsMissing() const
{
    return memberNo == 0 && surname.trimmed().isEmpty() && pinText() == QLatin1String("0");
}

SettingsStatus Settings::load()
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
    // No login has happened before the key is first written.
    const auto neverText = [] { return storedDateTimeText(zeroDate()); };

    struct Key {
        const char* name;
        std::function<QString()> defaultText;
        std::function<bool(const QString&)> apply;
    };
    const Key keys[] = {
        {"MemberNo", [] { return QStringLiteral("0"); },
         [this](const QString& t) { memberNo = leadingNumber(t); return true; }},
        {"LastName", [] { return QString(); },
         [this](const QString& t) { surname = t; return true; }},
        {"Pin", [] { return QStringLiteral("0"); },
         [this](const QString& t) {
             const auto number = roundToInt16(leadingNumber(t));
             if (!number)
                 return false;
             pin = *number;
             const QString typed = t.trimmed();
             typedPin = allDigits(typed) ? typed : int16Text(*number);
             return true;
         }},
        {"Mail", [] { return QString(); },
         [this](const QString& t) { email = t; return true; }},
        {"Autostartup", [] { return QStringLiteral("1"); }, int16Into(autoStart)},
        {"ProgDirectory", [this] { return programFolder_; },
         [this](const QString& t) { programDirectory = t; return true; }},
        {"strCurrTime", nowText, dateInto(lastSessionTime)},
        {"TimeMin", [] { return QStringLiteral("10"); }, int16Into(intervalMinutes)},
        {"TimeHou", [] { return QStringLiteral("0"); }, int16Into(intervalHours)},
        {"TimeDay", [] { return QStringLiteral("1"); }, int16Into(intervalDays)},
        {"TimeIndex", [] { return QStringLiteral("1"); }, int16Into(intervalChoice)},
        {"LastLoginTime", neverText, dateInto(lastLoginTime)},
        {"MailSendType", [] { return QStringLiteral("0"); }, int16Into(mailSendType)},
    };
    for (const Key& k : keys) {
        const QString name = QString::fromLatin1(k.name);
        const QString text = area_.get(name, k.defaultText());
        if (!k.apply(text))
            return {name, QStringLiteral("cannot convert \"%1\"").arg(text)};
    }
    loadAlertSettings();
    loadSiteTrouble();
    loadWindowSize();
    return {};
}

namespace {

// The alert keys, in the order they are written; each with its default.
struct AlertKey {
    const char* name;
    QString Settings::*text = nullptr;
    int Settings::*number = nullptr;
    int lowest = 0, highest = 0, fallback = 0;
};

const AlertKey kAlertKeys[] = {
    {"SmtpHost", &Settings::smtpHost},
    {"SmtpPort", nullptr, &Settings::smtpPort, 1, 65535, 587},
    {"SmtpSecurity", nullptr, &Settings::smtpSecurity, 0, 2, 1},
    {"SmtpUser", &Settings::smtpUser},
    {"SmtpFrom", &Settings::smtpFrom},
    {"SmtpPassword", &Settings::smtpPassword},
    {"SiteUrl", &Settings::siteUrl},
    {"NotifyDesktop", nullptr, &Settings::notifyDesktop, 0, 1, 1},
    {"PushUrl", &Settings::pushUrl},
    {"LoginFailTold", nullptr, &Settings::loginFailTold, 0, 1, 0},
    {"AnnounceChangesOnly", nullptr, &Settings::announceChangesOnly, 0, 1, 0},
};

} // namespace

void Settings::loadAlertSettings()
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

SettingsStatus Settings::saveAlertSettings()
{
    for (const AlertKey& k : kAlertKeys) {
        const QString name = QString::fromLatin1(k.name);
        const QString text = k.text ? this->*k.text : QString::number(this->*k.number);
        // A password the secret store keeps leaves no trace in the file.
        const bool ok = k.text == &Settings::smtpPassword && text.isEmpty()
                            ? area_.remove(name)
                            : area_.save(name, text);
        if (!ok)
            return {name, QStringLiteral("cannot write")};
    }
    return {};
}

// After every older key; a value that does not read back starts no streak.
void Settings::loadSiteTrouble()
{
    siteTrouble.since =
        QDateTime::fromString(area_.get(QStringLiteral("SiteTroubleSince"), QString()), Qt::ISODate);
    bool ok = false;
    const int checks = area_.get(QStringLiteral("SiteTroubleChecks"), QStringLiteral("0")).trimmed().toInt(&ok);
    siteTrouble.checks = ok && checks > 0 && siteTrouble.since.isValid() ? checks : 0;
    siteTrouble.told = area_.get(QStringLiteral("SiteTroubleTold"), QStringLiteral("0")).trimmed()
                       == QLatin1String("1");
    siteTrouble.reason = area_.get(QStringLiteral("SiteTroubleReason"), QString());

    UnreadablePagesStreak& pages = unreadablePages;
    pages.since = QDateTime::fromString(area_.get(QStringLiteral("UnreadablePagesSince"), QString()), Qt::ISODate);
    const int unread = area_.get(QStringLiteral("UnreadablePagesChecks"), QStringLiteral("0")).trimmed().toInt(&ok);
    pages.checks = ok && unread > 0 && pages.since.isValid() ? unread : 0;
    pages.told = area_.get(QStringLiteral("UnreadablePagesTold"), QStringLiteral("0")).trimmed() == QLatin1String("1");
    pages.keptPage = area_.get(QStringLiteral("UnreadablePagesKept"), QString());
}

SettingsStatus Settings::saveSiteTrouble()
{
    const std::pair<const char*, QString> values[] = {
        {"SiteTroubleSince", siteTrouble.since.isValid() ? siteTrouble.since.toString(Qt::ISODate) : QString()},
        {"SiteTroubleChecks", QString::number(siteTrouble.checks)},
        {"SiteTroubleTold", QString::number(int(siteTrouble.told))},
        {"SiteTroubleReason", siteTrouble.reason},
        {"UnreadablePagesSince",
         unreadablePages.since.isValid() ? unreadablePages.since.toString(Qt::ISODate) : QString()},
        {"UnreadablePagesChecks", QString::number(unreadablePages.checks)},
        {"UnreadablePagesTold", QString::number(int(unreadablePages.told))},
        {"UnreadablePagesKept", unreadablePages.keptPage},
    };
    for (const auto& [key, text] : values) {
        const QString name = QString::fromLatin1(key);
        if (!area_.save(name, text))
            return {name, QStringLiteral("cannot write")};
    }
    return {};
}

namespace {

const QString kWindowSizeKey = QStringLiteral("WindowSize");
const QString kMaximised = QStringLiteral(" maximised");

} // namespace

// "1180x720", or "1180x720 maximised"; anything else is no size, and the
// window opens as it does the first time.
void Settings::loadWindowSize()
{
    QString text = area_.get(kWindowSizeKey, QString()).trimmed();
    windowMaximised = text.endsWith(kMaximised);
    if (windowMaximised)
        text.chop(kMaximised.size());
    const QStringList sides = text.split(QLatin1Char('x'));
    bool wide = false, high = false;
    const QSize size = sides.size() == 2 ? QSize(sides[0].toInt(&wide), sides[1].toInt(&high)) : QSize();
    windowSize = wide && high && !size.isEmpty() ? size : QSize();
    if (!windowSize.isValid())
        windowMaximised = false;
}

SettingsStatus Settings::saveWindowSize()
{
    // Never written before the user sized the window: older files stay as they were.
    if (!windowSize.isValid())
        return {};
    const QString text = QStringLiteral("%1x%2").arg(windowSize.width()).arg(windowSize.height())
                         + (windowMaximised ? kMaximised : QString());
    if (!area_.save(kWindowSizeKey, text))
        return {kWindowSizeKey, QStringLiteral("cannot write")};
    return {};
}

SettingsStatus Settings::save()
{
    const std::pair<const char*, QString> values[] = {
        {"MemberNo", numberText(memberNo)},
        {"LastName", surname},
        {"Pin", pinText()},
        {"ProgDirectory", programDirectory},
        {"strCurrTime", storedDateTimeText(lastSessionTime)},
        {"Autostartup", int16Text(autoStart)},
        {"Mail", email},
        {"TimeMin", int16Text(intervalMinutes)},
        {"TimeHou", int16Text(intervalHours)},
        {"TimeDay", int16Text(intervalDays)},
        {"TimeIndex", int16Text(intervalChoice)},
        {"LastLoginTime", storedDateTimeText(lastLoginTime)},
        {"MailSendType", int16Text(mailSendType)},
    };
    for (const auto& [key, text] : values) {
        const QString name = QString::fromLatin1(key);
        if (!area_.save(name, text))
            return {name, QStringLiteral("cannot write")};
    }
    if (const SettingsStatus alerts = saveAlertSettings(); !alerts.ok())
        return alerts;
    if (const SettingsStatus trouble = saveSiteTrouble(); !trouble.ok())
        return trouble;
    return saveWindowSize();
}

} // namespace zelvane
