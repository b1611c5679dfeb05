#pragma once

#include "engine/BookingLink.h"
#include "notify/MailRoute.h"
#include "notify/Outbox.h"
#include "results/Outcome.h"

#include <QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace zelvane {

class AlertSender;
class StatusLine;

// One itinerary as the mail reads it. `date` is its date, or the days with
// seats of an itinerary of several dates (seatTexts); `seats` only what
// differs from one seat in any cabin.
struct MailRow {
    QString origin, destination, date;
    Availability availability = Availability::NotKnown;
    QString seats{};
    bool severalDates = false;
    QString reason{}; // not known: why; empty for one not checked yet
    QString counts{}; // seats: how many the site gave, "Business: 2 seats"
    bool paused = false; // not searched: the user paused it
    QList<BookingLink> links{}; // seats: the award search of each day with seats
};

inline const QString kAlertSender = QStringLiteral("alert@zelvane.example");
inline const QString kMailSubjectText = QStringLiteral("Your Frequent Flyer Results");
inline const QString kMailSubject = QStringLiteral("Your%20Frequent%20Flyer%20Results");
inline const QString kResultsMailPath = QStringLiteral("/dev/mainsite/zlv/admin/email.php");
inline const QString kNoChangeNoMail = QStringLiteral("No change since the last check: no e-mail sent");

// The two replacements every mailed text gets, after escaping those letters:
// blanks become "%20", then CR LF becomes "<br>".
QString encodeMailText(const QString& text);

struct ResultsMail {
    QString body; // not yet encoded
    int available = 0;
    int unavailable = 0;
    int notChecked = 0;
};
// Available and unavailable rows, each in its own section in list order,
// and those a check could not answer in a section of their own with why,
// and the paused ones in one of their own; rows not yet checked are in none. `trouble` says why the check stopped
// short, when it did.
ResultsMail buildResultsMail(const QList<MailRow>& rows, const QString& trouble = {});

// The GET address of the mail endpoint of the product site at `site`.
QString resultsMailAddress(const QString& site, const QString& to, const QString& encodedBody);

// The e-mail choices of the member details, in the order of their values.
const QStringList& mailSendChoices();

QString availableResultsStatus(int available, const QString& reply); // send type 1
QString mailSentStatus(const ResultsMail& mail);                      // send type 0
// A wanted mail that no server took, for either send type.
QString mailNotSentStatus(MailPolicy policy, const ResultsMail& mail, const QString& why);

// Mails the results, the way mailWay() says, as `policy` wants: when
// something is available, or when `changed` (some itinerary's outcome
// differs from its last check); a policy this copy does not know, never.
// The mail goes through `post`'s outbox: one no server took waits there.
// The status line says "Mail Sent" only when a server took the message, and
// otherwise what failed; with mail only on a change and none, that nothing
// changed. Nothing when no mail was wanted otherwise.
// `status` and `post` must outlive the call (they belong to the process and
// the main window).
// The results mail a session wants, made ready for the outbox before
// anything is sent. Not wanted: the status says why when the policy is mail
// only on a change. Wanted without a way to mail: no entry.
struct ResultsMailPlan {
    bool wanted = false;
    ResultsMail mail;
    std::optional<OutboxEntry> entry;
};
ResultsMailPlan planResultsMail(const QList<MailRow>& rows, MailPolicy policy, StatusLine& status,
                                const MailTarget& target, bool changed = true, const QString& trouble = {});
// The status line after a try of the planned mail: "Mail Sent", or what failed.
void tellMailOutcome(StatusLine& status, MailPolicy policy, const ResultsMail& mail, Delivery delivery,
                     OutboxEntry::Form form);

QCoro::Task<std::optional<Delivery>> sendmail(QList<MailRow> rows, MailPolicy policy,
                                              StatusLine& status, AlertSender& post, bool changed = true,
                                              QString trouble = {});

} // namespace zelvane
