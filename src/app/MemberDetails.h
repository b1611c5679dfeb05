#pragma once

#include "app/Settings.h"

#include <QDateTime>
#include <QString>

namespace zelvane {

class MessageBoxes;

// What the member details panel holds when the user saves. A list position
// is -1 when nothing is chosen.
struct MemberEntries {
    QString memberNumber, surname, pin, email;
    int intervalIndex = -1; // check interval
    int mailIndex = -1;     // when the results e-mail goes out
};

// What the panel shows for the stored details: a number of 0 is an empty
// box, not "0"; so is the PIN while no detail at all is stored.
MemberEntries memberEntriesFrom(const Member& member, MailPolicy mail);

enum class MemberSave { Missing, PinInvalid, Saved };

// The save command: checks the entries, then takes them into the settings
// and writes the store. A refused save leaves the settings as they were, so
// a later save (Cancel, closing) cannot write half-checked values.
MemberSave saveMemberDetails(SettingsGroup<Member>& member, SettingsGroup<MailPolicy>& mail,
                             const MemberEntries& entries, MessageBoxes& boxes);

// What is wrong with stored details the airline could not be sent (a
// negative or fractional member number, a PIN that is not digits only, as
// a hand-edited settings file may hold), in words naming the detail; empty
// when they can be sent. Nothing stored at all is missing(), not wrong.
QString storedDetailProblem(const Member& member);
// The same, as the window says it.
QString storedDetailWarning(const QString& problem);

// The last login time as the window shows it: empty while no session has completed.
QString lastLoginText(const QDateTime& lastLogin);

inline const QString kFillAllRequired = QStringLiteral("Please Fill All Required Information.");
// The first run's line: what to do before anything else.
inline const QString kFirstRunHint =
    QStringLiteral("Welcome! Enter Your Qantas Member Details, Choose How Often To Check, Then Click Save");
// A good save, and what comes next.
inline const QString kDetailsSavedAddItinerary =
    QStringLiteral("Member Details Saved...Now Enter Your Itinerary Details");
inline const QString kDetailsSaved = QStringLiteral("Member Details Saved...Waiting For New Session To Start");
inline const QString kFillAllInformation = QStringLiteral("Please fill all information then save!");
inline const QString kPinTooLong = QStringLiteral("Invalid PIN. PIN too long!");
inline const QString kPinNotDigits = QStringLiteral("Invalid PIN. Use digits only!");
inline const QString kPinInvalidTitle = QStringLiteral("PIN Invalid");

} // namespace zelvane
