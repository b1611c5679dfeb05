#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace zelvane {

class Clock;
class SettingsArea;

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
    SettingsArea& area_;
    const Clock& clock_;
    QString programFolder_;
};

} // namespace zelvane
