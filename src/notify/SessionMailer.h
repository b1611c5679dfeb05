#pragma once

#include "engine/CheckEngine.h"
#include "notify/ResultsMail.h"

#include <functional>

namespace zelvane {

class MessageBoxes;
class ResultsViewModel;
class StatusLine;
class clsSettings;

// The rows of the results view as the results e-mail lists them.
QList<MailRow> mailRows(const ResultsViewModel& results);

// The session's e-mails, sent through the product site and its relay.
class SessionMailer final : public SessionMail {
public:
    SessionMailer(const ResultsViewModel& results, const clsSettings& settings, StatusLine& status,
                  MessageBoxes& boxes);
    QCoro::Task<> sendmail() override;
    QCoro::Task<> QFLoginFailMail() override;

    // The just-sent window of the engine, started on every results e-mail.
    std::function<void()> startJustSent;

private:
    const ResultsViewModel& results_;
    const clsSettings& settings_;
    StatusLine& status_;
    MessageBoxes& boxes_;
};

} // namespace zelvane
