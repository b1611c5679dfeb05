// zelvane-mail: sends one e-mail for the tray program, which does not link
// libcurl, and ends. The request comes as JSON on standard input and the
// outcome goes as JSON to standard output (see notify/MailProgram.h). The
// mail's outbox entry is this program's while it sends, and it marks the
// entry delivered itself: the tray program may have ended meanwhile, and a
// restarted one must not send the mail again.
#include "notify/MailProgram.h"
#include "notify/Outbox.h"

#include <QCoreApplication>
#include <QFile>
#include <csignal>
#include <cstdio>

using namespace zelvane;

int main(int argc, char* argv[])
{
    // The tray program gone, its end of the pipe closes: the outcome is
    // then written to nobody, which must not end this program early.
    std::signal(SIGPIPE, SIG_IGN);
    const QCoreApplication app(argc, argv); // for the SQLite driver
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return 74;
    const std::optional<MailRequest> request = mailRequestFromJson(in.readAll());
    if (!request) {
        std::fputs("zelvane-mail: no mail request on standard input\n", stderr);
        return 64;
    }
    const OutboxReceipt& receipt = request->message.receipt;
    if (!receipt.outbox.isEmpty())
        Outbox::takeOverLease(receipt.outbox, receipt.id);
    const Delivery delivery = sendSmtpNow(request->server, request->message, request->deadlines);
    if (delivery.delivered && !receipt.outbox.isEmpty())
        Outbox::markDelivered(receipt.outbox, receipt.id);
    const QByteArray outcome = deliveryJson(delivery);
    std::fwrite(outcome.constData(), 1, size_t(outcome.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 74;
}
