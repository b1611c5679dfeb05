#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace zelvane {

class Clock;
class SettingsArea;

// Values of m_nMailSendType. Older copies send nothing for a value they do
// not know, so mail only on a change was added last.
enum MailSendType : qint16 {
    kMailAlways = 0,
    kMailIfAvailable = 1,
    kMailNever = 2,
    kMailOnChange = 3,
};

// Outcome of a load or save: the first key that failed, if any.
struct SettingsStatus {
    QString failedKey;
    QString reason;
    bool ok() const { return failedKey.isEmpty(); }
};

// The user's settings. Fields are public and read and written directly by the
// rest of the program; LoadSettings and SaveSettings move them to and from the
// settings area, one key at a time, stopping at the first failure.
class clsSettings {
public:
    // The date-time that stands for "never": the zero of the date arithmetic
    // the stored texts come from.
    static QDateTime zeroDate() { return QDateTime(QDate(1899, 12, 30), QTime(0, 0)); }

    clsSettings(SettingsArea& area, const Clock& clock, QString programFolder);

    double m_dMemberNo = 0;
    QString m_strLastName;
    qint16 m_nPin = 0;
    QString m_strMail;
    QDateTime m_dtstrCurrTime = zeroDate();
    qint16 m_Autostartup = 0;
    qint16 m_nTimeMin = 0;
    qint16 m_nTimeHou = 0;
    qint16 m_nTimeDay = 0;
    QDateTime m_dLastLoginTime = zeroDate();
    qint16 m_nCBTimeIndex = 0;
    QString m_ProgDirectory;
    qint16 m_nMailSendType = 0;
    // The PIN as the user typed it: leading zeros belong to a PIN and must
    // reach the login unchanged. m_nPin keeps its number for the range and
    // "not entered" rules.
    QString m_strPin;

    // Where alerts go. Kept beside the keys above, which older copies read
    // alone; a value that does not read back takes its default.
    QString m_strSmtpHost;      // empty: no mail server of the user's own
    int m_nSmtpPort = 587;      // up to 65535: wider than the seed's numbers
    int m_nSmtpSecurity = 1;    // 0 none, 1 STARTTLS, 2 TLS
    QString m_strSmtpUser;
    QString m_strSmtpFrom;      // empty: the member's own address
    // Only where no secret store answers; empty otherwise, and then not written.
    QString m_strSmtpPassword;
    QString m_strSiteUrl;       // the product site, for its e-mail endpoints
    int m_nNotifyDesktop = 1;
    QString m_strPushUrl;
    // The login has failed since the last good one and the user was told.
    int m_nLoginFailTold = 0;
    // The pop-up, the desktop notes and the push tell only of flights that
    // became available since their last check.
    int m_nAnnounceChangesOnly = 0;

    SettingsStatus LoadSettings();
    SettingsStatus SaveSettings();

    // The PIN digits to store and send: as typed when they still stand for
    // m_nPin, otherwise the plain number.
    QString pinText() const;
    // A PIN as typed is ASCII digits only, nothing around them, and its number
    // fits m_nPin; anything else ("1234.6", " 1234", "+12", full-width digits)
    // is no PIN rather than a rounded or trimmed one the site would refuse.
    static std::optional<qint16> pinNumber(const QString& typed);
    // Takes a typed PIN: the number into m_nPin, the digits into m_strPin.
    // False (nothing changed) when it is no PIN.
    bool setPinText(const QString& typed);

    // Member details count as missing only when number, surname and PIN all are.
    bool memberDetailsMissing() const;

private:
    void loadAlertSettings();
    SettingsStatus saveAlertSettings();

    SettingsArea& area_;
    const Clock& clock_;
    QString programFolder_;
};

} // namespace zelvane
