#pragma once

#include "app/Settings.h"
#include "notify/Delivery.h"

#include <QCoroTask>
#include <QDateTime>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

namespace zelvane {

// The user's own mail server, as the alerts panel stores it.
struct SmtpServer {
    QString host;
    int port = 587;
    SmtpSecurity security = SmtpSecurity::StartTls;
    QString user;     // empty: no login
    QString password;
};
SmtpServer smtpServerFrom(const AlertChannels& channels); // without the password

// The outbox entry a mail is sent for: whoever talks to the server marks it
// delivered there the moment the server took it. Empty for a mail kept
// nowhere.
struct OutboxReceipt {
    QString outbox; // the file
    qint64 id = 0;
};

// One e-mail, sent as multipart/alternative in UTF-8: the HTML part and the
// plain part with the same text (see mailHtml and mailPlain).
struct MailMessage {
    QString from, to, subject, html, plain;
    QDateTime date;    // now when not set
    QString messageId; // made up when not set
    OutboxReceipt receipt;
};

// The whole exchange ends within `whole` whatever the server does, its
// goodbye included; any one reply is waited for a quarter of it at most.
struct SmtpDeadlines {
    std::chrono::milliseconds connect{15000}; // until the server is reached
    std::chrono::milliseconds whole{60000};   // the whole exchange
};

// The HTML part: the body's own markup, each line break a <br>.
QString mailHtml(const QString& body);
// The plain part: the same text without its markup (<B>, <br>, a link's
// <A HREF> around its address), with real line breaks.
QString mailPlain(const QString& body);

bool isLocalHost(const QString& host);
// Why the server cannot be used as it is set up; nothing when it can.
// A password is never sent in clear text to another machine.
std::optional<QString> smtpSetupProblem(const SmtpServer& server);

// Sends with libcurl on the calling thread, which it blocks: run it off the
// window's thread. Only what links zelvane_mail has it.
Delivery sendSmtpNow(const SmtpServer& server, const MailMessage& message,
                     SmtpDeadlines deadlines = {});

// What sendSmtp runs on its worker thread. Unless a program that links
// libcurl chooses sendSmtpNow, each mail goes through the mail program
// (MailProgram.h); choose once, before the first mail.
using SmtpSender = std::function<Delivery(const SmtpServer&, const MailMessage&, SmtpDeadlines)>;
void setSmtpSender(SmtpSender send);

// Sends on a worker thread; the event loop runs on meanwhile.
QCoro::Task<Delivery> sendSmtp(SmtpServer server, MailMessage message,
                               SmtpDeadlines deadlines = {});

} // namespace zelvane
