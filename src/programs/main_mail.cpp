// zelvane-mail: sends one e-mail for the tray program, which does not link
// libcurl, and ends. The request comes as JSON on standard input and the
// outcome goes as JSON to standard output (see notify/MailProgram.h).
#include "notify/MailProgram.h"

#include <QFile>
#include <cstdio>

using namespace zelvane;

int main()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return 74;
    const std::optional<MailRequest> request = mailRequestFromJson(in.readAll());
    if (!request) {
        std::fputs("zelvane-mail: no mail request on standard input\n", stderr);
        return 64;
    }
    const Delivery delivery = sendSmtpNow(request->server, request->message, request->deadlines);
    const QByteArray outcome = deliveryJson(delivery);
    std::fwrite(outcome.constData(), 1, size_t(outcome.size()), stdout);
    return std::fflush(stdout) == 0 ? 0 : 74;
}
