#include "app/Settings.h"

#include "app/Clock.h"
#include "app/SettingsArea.h"
#include "app/TextConversions.h"

#include <QMetaObject>
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

QString Member::pinText() const
{
    const QString typed = typedPin.trimmed();
    if (allDigits(typed) && leadingNumber(typed) == pin)
        return typed;
    return int16Text(pin);
}

std::optional<qint16> Member::pinNumber(const QString& typed)
{
    if (!allDigits(typed))
        return std::nullopt;
    bool ok = false;
    const int n = typed.toInt(&ok);
    if (!ok || n > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(n);
}

bool Member::pinIsDigitsOnly(const QString& typed)
{
    return allDigits(typed);
}

bool Member::setPinText(const QString& typed)
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

bool Member::missing() const
{
    return number == 0 && surname.trimmed().isEmpty() && pinText() == QLatin1String("0");
}

Settings::Settings(SettingsArea& area, const Clock& clock, QString programFolder)
    : area_(area), clock_(clock), programFolder_(std::move(programFolder))
{
    for (SettingsChange* group : std::initializer_list<SettingsChange*>{&member, &schedule, &mailPolicy, &channels,
                                                                         &window, &told, &start})
        QObject::connect(group, &SettingsChange::changed, this, &Settings::saveSoon);
}

Settings::~Settings()
{
    saveWaiting();
}

void Settings::saveSoon()
{
    unsaved_ = true;
    if (saveSoon_)
        return;
    saveSoon_ = true;
    // A session's end changes several groups in a row: one write for all.
    QMetaObject::invokeMethod(
        this,
        [this] {
            saveSoon_ = false;
            saveWaiting();
        },
        Qt::QueuedConnection);
}

void Settings::saveWaiting()
{
    if (unsaved_)
        save();
}

QString Settings::takeNotice()
{
    QStringList notices;
    for (QString* notice : {&loadNotice_, &writeNotice_})
        if (!notice->isEmpty())
            notices << std::exchange(*notice, QString());
    return notices.join(QLatin1Char(' '));
}

QString SettingsStatus::message() const
{
    QStringList said;
    if (unreadKeys.size() == 1)
        said << QStringLiteral("The setting %1 could not be read; it is kept as it was.").arg(unreadKeys.first());
    else if (!unreadKeys.isEmpty())
        said << QStringLiteral("The settings %1 and %2 could not be read; they are kept as they were.")
                    .arg(unreadKeys.mid(0, unreadKeys.size() - 1).join(QLatin1String(", ")), unreadKeys.last());
    if (!writeError.isEmpty())
        said << QStringLiteral("The settings could not be saved: %1; the file keeps what it had.").arg(writeError);
    return said.join(QLatin1Char(' '));
}

SettingsStatus Settings::load()
{
    // Each step reads one key and converts it; one that cannot be converted
    // loads as a missing key would, and the next step runs.
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
            const auto v = parseStoredDateTime(text);
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

    Member& m = member.value_;
    Schedule& s = schedule.value_;
    qint16 mailType = qint16(mailPolicy.value_);
    struct Key {
        const char* name;
        std::function<QString()> defaultText;
        std::function<bool(const QString&)> apply;
    };
    const Key keys[] = {
        {"MemberNo", [] { return QStringLiteral("0"); },
         [&m](const QString& t) { m.number = leadingNumber(t); return true; }},
        {"LastName", [] { return QString(); },
         [&m](const QString& t) { m.surname = t; return true; }},
        {"Pin", [] { return QStringLiteral("0"); },
         [&m](const QString& t) {
             const auto number = roundToInt16(leadingNumber(t));
             if (!number)
                 return false;
             m.pin = *number;
             const QString typed = t.trimmed();
             m.typedPin = allDigits(typed) ? typed : int16Text(*number);
             return true;
         }},
        {"Mail", [] { return QString(); },
         [&m](const QString& t) { m.email = t; return true; }},
        {"Autostartup", [] { return QStringLiteral("1"); }, int16Into(start.value_.autoStart)},
        {"ProgDirectory", [this] { return programFolder_; },
         [this](const QString& t) { start.value_.programDirectory = t; return true; }},
        {"strCurrTime", nowText, dateInto(s.lastSessionTime)},
        {"TimeMin", [] { return QStringLiteral("10"); }, int16Into(storedMinutes_)},
        {"TimeHou", [] { return QStringLiteral("0"); }, int16Into(storedHours_)},
        {"TimeDay", [] { return QStringLiteral("1"); }, int16Into(storedDays_)},
        {"TimeIndex", [] { return QStringLiteral("1"); }, int16Into(storedUnit_)},
        {"LastLoginTime", neverText, dateInto(s.lastLoginTime)},
        {"MailSendType", [] { return QStringLiteral("0"); }, int16Into(mailType)},
    };
    SettingsStatus status;
    QMap<QString, QString> unread;
    for (const Key& k : keys) {
        const QString name = QString::fromLatin1(k.name);
        const QString text = area_.get(name, k.defaultText());
        if (k.apply(text))
            continue;
        k.apply(k.defaultText());
        status.unreadKeys << name;
        unread.insert(name, text);
    }
    mailPolicy.value_ = MailPolicy(mailType);
    // Hours are the one unit on offer; a count of none is no interval.
    s.everyHours = storedUnit_ == 1 && storedHours_ > 0 ? storedHours_ : 0;
    loadAlertSettings();
    loadTold();
    loadWindowSize();
    kept_.clear();
    QStringList removed;
    for (const auto& [key, text] : texts(removed))
        if (unread.contains(key))
            kept_.insert(key, {unread.value(key), text});
    loadNotice_ = status.message();
    return status;
}

namespace {

// The alert keys, in the order they are written; each with its default.
struct AlertKey {
    const char* name;
    QString AlertChannels::*text = nullptr;
    int lowest = 0, highest = 0, fallback = 0;
};

const AlertKey kAlertKeys[] = {
    {"SmtpHost", &AlertChannels::smtpHost},
    {"SmtpPort", nullptr, 1, 65535, 587},
    {"SmtpSecurity", nullptr, 0, 2, 1},
    {"SmtpUser", &AlertChannels::smtpUser},
    {"SmtpFrom", &AlertChannels::smtpFrom},
    {"SmtpPassword", &AlertChannels::smtpPassword},
    {"SiteUrl", &AlertChannels::siteUrl},
    {"NotifyDesktop", nullptr, 0, 1, 1},
    {"PushUrl", &AlertChannels::pushUrl},
    {"LoginFailTold", nullptr, 0, 1, 0},
    {"AnnounceChangesOnly", nullptr, 0, 1, 0},
};

} // namespace

void Settings::loadAlertSettings()
{
    AlertChannels& c = channels.value_;
    for (const AlertKey& k : kAlertKeys) {
        const QString name = QString::fromLatin1(k.name);
        if (k.text) {
            c.*k.text = area_.get(name, QString());
            continue;
        }
        bool ok = false;
        int v = area_.get(name, QString::number(k.fallback)).trimmed().toInt(&ok);
        v = ok && v >= k.lowest && v <= k.highest ? v : k.fallback;
        if (name == QLatin1String("SmtpPort"))
            c.smtpPort = v;
        else if (name == QLatin1String("SmtpSecurity"))
            c.smtpSecurity = SmtpSecurity(v);
        else if (name == QLatin1String("NotifyDesktop"))
            c.notifyDesktop = v == 1;
        else if (name == QLatin1String("LoginFailTold"))
            told.value_.loginFailure = v == 1;
        else
            c.announceChangesOnly = v == 1;
    }
}

void Settings::appendAlertTexts(SettingsTexts& out, QStringList& removed) const
{
    const AlertChannels& c = *channels;
    for (const AlertKey& k : kAlertKeys) {
        const QString name = QString::fromLatin1(k.name);
        QString text;
        if (k.text)
            text = c.*k.text;
        else if (name == QLatin1String("SmtpPort"))
            text = QString::number(c.smtpPort);
        else if (name == QLatin1String("SmtpSecurity"))
            text = QString::number(int(c.smtpSecurity));
        else if (name == QLatin1String("NotifyDesktop"))
            text = QString::number(int(c.notifyDesktop));
        else if (name == QLatin1String("LoginFailTold"))
            text = QString::number(int(told->loginFailure));
        else
            text = QString::number(int(c.announceChangesOnly));
        // A password the secret store keeps leaves no trace in the file.
        if (k.text == &AlertChannels::smtpPassword && text.isEmpty())
            removed << name;
        else
            out.append({name, text});
    }
}

// After every older key; a value that does not read back starts no streak.
void Settings::loadTold()
{
    SiteTroubleStreak& site = told.value_.siteTrouble;
    site.since = QDateTime::fromString(area_.get(QStringLiteral("SiteTroubleSince"), QString()), Qt::ISODate);
    bool ok = false;
    const int checks = area_.get(QStringLiteral("SiteTroubleChecks"), QStringLiteral("0")).trimmed().toInt(&ok);
    site.checks = ok && checks > 0 && site.since.isValid() ? checks : 0;
    site.told = area_.get(QStringLiteral("SiteTroubleTold"), QStringLiteral("0")).trimmed() == QLatin1String("1");
    site.reason = area_.get(QStringLiteral("SiteTroubleReason"), QString());

    UnreadablePagesStreak& pages = told.value_.unreadablePages;
    pages.since = QDateTime::fromString(area_.get(QStringLiteral("UnreadablePagesSince"), QString()), Qt::ISODate);
    const int unread = area_.get(QStringLiteral("UnreadablePagesChecks"), QStringLiteral("0")).trimmed().toInt(&ok);
    pages.checks = ok && unread > 0 && pages.since.isValid() ? unread : 0;
    pages.told = area_.get(QStringLiteral("UnreadablePagesTold"), QStringLiteral("0")).trimmed() == QLatin1String("1");
    pages.keptPage = area_.get(QStringLiteral("UnreadablePagesKept"), QString());
}

void Settings::appendToldTexts(SettingsTexts& out) const
{
    const SiteTroubleStreak& site = told->siteTrouble;
    const UnreadablePagesStreak& pages = told->unreadablePages;
    const std::pair<const char*, QString> values[] = {
        {"SiteTroubleSince", site.since.isValid() ? site.since.toString(Qt::ISODate) : QString()},
        {"SiteTroubleChecks", QString::number(site.checks)},
        {"SiteTroubleTold", QString::number(int(site.told))},
        {"SiteTroubleReason", site.reason},
        {"UnreadablePagesSince", pages.since.isValid() ? pages.since.toString(Qt::ISODate) : QString()},
        {"UnreadablePagesChecks", QString::number(pages.checks)},
        {"UnreadablePagesTold", QString::number(int(pages.told))},
        {"UnreadablePagesKept", pages.keptPage},
    };
    for (const auto& [key, text] : values)
        out.append({QString::fromLatin1(key), text});
}

namespace {

const QString kWindowSizeKey = QStringLiteral("WindowSize");
const QString kMaximised = QStringLiteral(" maximised");

} // namespace

// "1180x720", or "1180x720 maximised"; anything else is no size, and the
// window opens as it does the first time.
void Settings::loadWindowSize()
{
    WindowPlacement& w = window.value_;
    QString text = area_.get(kWindowSizeKey, QString()).trimmed();
    w.maximised = text.endsWith(kMaximised);
    if (w.maximised)
        text.chop(kMaximised.size());
    const QStringList sides = text.split(QLatin1Char('x'));
    bool wide = false, high = false;
    const QSize size = sides.size() == 2 ? QSize(sides[0].toInt(&wide), sides[1].toInt(&high)) : QSize();
    w.size = wide && high && !size.isEmpty() ? size : QSize();
    if (!w.size.isValid())
        w.maximised = false;
}

SettingsTexts Settings::texts(QStringList& removed) const
{
    const Member& m = *member;
    const Schedule& s = *schedule;
    // An interval chosen is in hours; otherwise the unit and count stored stay.
    const bool hours = s.everyHours > 0;
    const std::pair<const char*, QString> values[] = {
        {"MemberNo", numberText(m.number)},
        {"LastName", m.surname},
        {"Pin", m.pinText()},
        {"ProgDirectory", start->programDirectory},
        {"strCurrTime", storedDateTimeText(s.lastSessionTime)},
        {"Autostartup", int16Text(start->autoStart)},
        {"Mail", m.email},
        {"TimeMin", int16Text(storedMinutes_)},
        {"TimeHou", int16Text(hours ? qint16(s.everyHours) : storedHours_)},
        {"TimeDay", int16Text(storedDays_)},
        {"TimeIndex", int16Text(hours ? qint16(1) : storedUnit_)},
        {"LastLoginTime", storedDateTimeText(s.lastLoginTime)},
        {"MailSendType", int16Text(qint16(*mailPolicy))},
    };
    SettingsTexts out;
    for (const auto& [key, text] : values)
        out.append({QString::fromLatin1(key), text});
    appendAlertTexts(out, removed);
    appendToldTexts(out);
    // Never written before the user sized the window: older files stay as they were.
    const WindowPlacement& w = *window;
    if (w.size.isValid())
        out.append({kWindowSizeKey, QStringLiteral("%1x%2").arg(w.size.width()).arg(w.size.height())
                                        + (w.maximised ? kMaximised : QString())});
    return out;
}

SettingsStatus Settings::save()
{
    QStringList removed;
    SettingsTexts values = texts(removed);
    for (auto& [key, text] : values) {
        const auto k = kept_.find(key);
        if (k == kept_.end())
            continue;
        if (text == k->loadedAs)
            text = k->stored;
        else
            kept_.erase(k); // a new value took its place
    }
    SettingsStatus status;
    status.writeError = area_.write(values, removed);
    unsaved_ = !status.ok();
    writeNotice_ = status.message();
    if (!status.ok())
        emit problem(writeNotice_);
    return status;
}

} // namespace zelvane
