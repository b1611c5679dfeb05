#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <optional>

namespace zelvane {

class Clock;
class SettingsArea;

// Values of mailSendType. Older copies send nothing for a value they do
// not know, so mail only on a change was added last.
enum MailSendType : qint16 {
    kMailAlways = 0,
    kMailIfAvailable = 1,
    kMailNever = 2,
    kMailOnChange = 3,
};

// The checks in a row for which the airline's site could not be used (no
// answer, an HTTP error, another host's page), kept across restarts and runs
// of the headless check.
struct SiteTroubleStreak {
    QDateTime since; // the first of them; invalid while the site works
    int checks = 0;
    bool told = false; // the user has heard of this streak
    QString reason;    // why the last of them failed, in words
};

// The checks in a row in which a result page could not be read, kept across
// restarts like the streak above: the airline may have changed its pages.
struct UnreadablePagesStreak {
    QDateTime since; // the first of them; invalid while pages are read
    int checks = 0;
    bool told = false;
    QString keptPage; // where the last page that could not be read is kept
};

// Outcome of a load or save: the first key that failed, if any.
struct SettingsStatus {
    QString failedKey;
    QString reason;
    bool ok() const { return failedKey.isEmpty(); }
};

// The user's settings. Fields are public and read and written directly by the
// rest of the program; load and save move them to and from the
// settings area, one key at a time, stopping at the first failure.
class Settings {
public:
    // The date-time that stands for "never": the zero of the date arithmetic
    // the stored texts come from.
    static QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

    Settings(SettingsArea& area, const Clock& clock, QString programFolder);

    double memberNo = 0;
    QString surname;
    qint16 pin = 0;
    QString email;
    QDateTime lastSessionTime = zeroDate();
    qint16 autoStart = 0;
    qint16 intervalMinutes = 0;
    qint16 intervalHours = 0;
    qint16 intervalDays = 0;
    QDateTime lastLoginTime = zeroDate();
    qint16 intervalChoice = 0;
    QString programDirectory;
    qint16 mailSendType = 0;
    // The PIN as the user typed it: leading zeros belong to a PIN and must
    // reach the login unchanged. pin keeps its number for the range and
    // "not entered" rules.
    QString typedPin;

    // Where alerts go. Kept beside the keys above, which older copies read
    // alone; a value that does not read back takes its default.
    QString smtpHost;       // empty: no mail server of the user's own
    int smtpPort = 587;     // up to 65535, past the 16-bit fields above
    int smtpSecurity = 1;   // 0 none, 1 STARTTLS, 2 TLS
    QString smtpUser;
    QString smtpFrom;       // empty: the member's own address
    // Only where no secret store answers; empty otherwise, and then not written.
    QString smtpPassword;
    QString siteUrl;        // the product site, for its e-mail endpoints
    int notifyDesktop = 1;
    QString pushUrl;
    // The login has failed since the last good one and the user was told.
    int loginFailTold = 0;
    // The pop-up, the desktop notes and the push tell only of flights that
    // became available since their last check.
    int announceChangesOnly = 0;
    SiteTroubleStreak siteTrouble;
    UnreadablePagesStreak unreadablePages;
    // The main window as the user left it: its size when not maximised (none
    // until the user changes it) and whether it was maximised.
    QSize windowSize;
    bool windowMaximised = false;

    SettingsStatus load();
    SettingsStatus save();

    // The PIN digits to store and send: as typed when they still stand for
    // pin, otherwise the plain number.
    QString pinText() const;
    // A PIN as typed is ASCII digits only, nothing around them, and its number
    // fits pin; anything else ("1234.6", " 1234", "+12", full-width digits)
    // is no PIN rather than a rounded or trimmed one the site would refuse.
    static std::optional<qint16> pinNumber(const QString& typed);
    // ASCII digits only, nothing around them; whether the number fits is pinNumber's.
    static bool pinIsDigitsOnly(const QString& typed);
    // Takes a typed PIN, or what pinText() gave: the number into pin, the
    // digits into typedPin. False (nothing changed) when it is neither.
    bool setPinText(const QString& typed);

    // Member details count as missing only when number, surname and PIN all
    // are. The PIN is judged by its digits, not its number: "0000" is a PIN,
    // the stored "0" of a store that never had one is not.
    bool memberDetailsMissing() const;

private:
    void loadAlertSettings();
    SettingsStatus saveAlertSettings();
    void loadSiteTrouble();
    SettingsStatus saveSiteTrouble();
    void loadWindowSize();
    SettingsStatus saveWindowSize();

    SettingsArea& area_;
    const Clock& clock_;
    QString programFolder_;
};

} // namespace zelvane
