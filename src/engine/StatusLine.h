#pragma once

#include "itineraries/Itinerary.h"

#include <QDate>
#include <QString>

namespace zelvane {

// What the status line says: a kind and its values, worded in one place,
// words(). A text worded where it was made (the window's own, a mail's
// report) travels as Said.
class StatusMessage {
public:
    enum class Kind {
        Said,
        WaitingNewSession,
        WaitingItineraries,
        WaitingLogin,
        SendingLogin,
        MaxLogins,
        LoginOk,
        GaveUp,
        LoginFailed,
        LoginIncorrect,
        Attempting,
        TestFailed,
        Completed,     // number: itineraries left out past the search limit; paused: those paused
        SiteUnreachable,
        SiteNotUsable, // detail: the site's reason
        Checking,      // number: the itinerary; date and detail (its pair) for one day of several
        Processed,     // number: the itinerary
        Outbox,        // detail: what waits in the outbox; later tries of it take its place
    };

    StatusMessage(const QString& said) : detail(said) {} // NOLINT: a worded text is a message
    StatusMessage(const char* said) : detail(QString::fromUtf8(said)) {} // NOLINT
    StatusMessage(Kind k, int n = 0, QString d = {}, QDate day = {})
        : kind(k), number(n), detail(std::move(d)), date(day) {}

    QString words() const;
    bool operator==(const StatusMessage&) const = default;

    Kind kind = Kind::Said;
    int number = 0;
    QString detail;
    QDate date;
    int paused = 0;
};

// The main window's status line, as the logic sees it.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void setStatus(const StatusMessage& message) = 0;
    virtual QString status() const = 0;
};

// Status texts of a session, as the user sees them.
namespace status {
inline const QString kWaitingNewSession = QStringLiteral("Waiting For New Session To Start...");
inline const QString kWaitingItineraries =
    QStringLiteral("Waiting For Itinerary Details To Be Entered...");
inline const QString kWaitingLogin = QStringLiteral("Waiting For Next Qantas Login...");
inline const QString kSendingLogin = QStringLiteral("Sending Qantas Login Request...");
inline const QString kMaxLogins = QStringLiteral("Max Logins Reached, Try Again In 5 Mins...");
inline const QString kLoginOk = QStringLiteral("Login Successful!");
inline const QString kGaveUp = QStringLiteral("Login Details Incorrect...3 login attempts failed!");
inline const QString kLoginFailed = QStringLiteral("Login Failed...Check Details and Try Again");
inline const QString kCompleted = QStringLiteral("Session completed...See Results");
// The same, when the list had more than one session may search.
inline QString completedLeavingOut(int leftOut)
{
    return kCompleted
           + QStringLiteral("; %1 past the 100 searches a check may make not checked")
                 .arg(leftOut == 1 ? QStringLiteral("1 itinerary") : QStringLiteral("%1 itineraries").arg(leftOut));
}
// "; 2 itineraries paused": what a completed check did not search by choice.
inline QString pausedNotChecked(int paused)
{
    return QStringLiteral("; %1 paused").arg(paused == 1 ? QStringLiteral("1 itinerary") : QStringLiteral("%1 itineraries").arg(paused));
}
inline const QString kLoginIncorrect = QStringLiteral("Login Details Incorrect.  Please Try Again...");
inline const QString kAttempting = QStringLiteral("Attempting to Login!");
inline const QString kTestOk = kLoginOk;
inline const QString kTestFailed = QStringLiteral("Login Failed...Check Your Member Details");
inline const QString kSiteUnreachable =
    QStringLiteral("Qantas Website Could Not Be Reached...Check Your Connection");
inline QString siteNotUsable(const QString& reason)
{
    return QStringLiteral("Qantas Website Could Not Be Used: ") + reason;
}
inline QString checking(int i) { return QStringLiteral("Checking Itinerary #") + QString::number(i); }
// One date of an itinerary of several: "Checking Itinerary #3 (Wed 4)";
// with its pair when the itinerary has a way back or nearby airports:
// "Checking Itinerary #3 (NTL→MEL Wed 4)".
inline QString checkingDay(int i, const QDate& date, const QString& pair = {})
{
    return checking(i) + QStringLiteral(" (") + (pair.isEmpty() ? QString() : pair + QLatin1Char(' '))
           + shortDayName(date) + QLatin1Char(')');
}
inline QString processed(int i)
{
    return QStringLiteral("Itinerary Process ") + QString::number(i) + QStringLiteral(" Complete...");
}
} // namespace status

} // namespace zelvane
