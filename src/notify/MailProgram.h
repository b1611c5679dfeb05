#pragma once

#include "notify/Delivery.h"
#include "notify/SmtpMail.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace zelvane {

// The tray program does not link libcurl: linked, it and the libraries it
// brings cost the tray megabytes held for days without a mail sent. Each mail
// is handed to zelvane-mail, a small program that links it, sends and ends.

// zelvane-mail beside this program's executable, as installed.
QString mailProgramPath();

// Starts `program` for one mail and waits for its outcome; blocks the
// calling thread for at most the mail's whole deadline and a little more.
Delivery sendSmtpByProgram(const QString& program, const SmtpServer& server,
                           const MailMessage& message, SmtpDeadlines deadlines);

// What the mail program reads on standard input (JSON, the password with it:
// it stays off the command line and the environment) and what it answers.
struct MailRequest {
    SmtpServer server;
    MailMessage message;
    SmtpDeadlines deadlines;
};
QByteArray mailRequestJson(const MailRequest& request);
std::optional<MailRequest> mailRequestFromJson(const QByteArray& json);
QByteArray deliveryJson(const Delivery& delivery);

} // namespace zelvane
