#include "notify/SmtpMail.h"

#include "app/Settings.h"
#include "notify/MailProgram.h"

#include <QCoroFuture>
#include <QHostAddress>
#include <QRegularExpression>
#include <QtConcurrent/QtConcurrentRun>

namespace zelvane {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

SmtpSender& sender()
{
    static SmtpSender chosen = [](const SmtpServer& server, const MailMessage& message,
                                  SmtpDeadlines deadlines) {
        return sendSmtpByProgram(mailProgramPath(), server, message, deadlines);
    };
    return chosen;
}

} // namespace

SmtpServer smtpServerFrom(const AlertChannels& c)
{
    SmtpServer server;
    server.host = c.smtpHost.trimmed();
    server.port = c.smtpPort;
    server.security = c.smtpSecurity;
    server.user = c.smtpUser.trimmed();
    return server;
}

QString mailHtml(const QString& body)
{
    QString html = body;
    html.replace(kCrLf, QStringLiteral("<br>\r\n"));
    return QStringLiteral("<html><body>\r\n") + html + QStringLiteral("\r\n</body></html>\r\n");
}

QString mailPlain(const QString& body)
{
    // Only the program's own markup goes: a "<" in a city name stays.
    static const QRegularExpression tag(QStringLiteral("</?(b|br)>|<a href=\"[^\"<>]*\">|</a>"),
                                        QRegularExpression::CaseInsensitiveOption);
    QStringList lines = QString(body).remove(tag).split(kCrLf);
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(kCrLf) + kCrLf;
}

bool isLocalHost(const QString& host)
{
    const QString h = host.trimmed().toLower();
    if (h == QLatin1String("localhost") || h.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address(h.startsWith(QLatin1Char('[')) ? h.mid(1, h.size() - 2) : h);
    return !address.isNull() && address.isLoopback();
}

std::optional<QString> smtpSetupProblem(const SmtpServer& server)
{
    if (server.host.trimmed().isEmpty())
        return QStringLiteral("no mail server is set up");
    if (server.port < 1 || server.port > 65535)
        return QStringLiteral("the mail server's port must be 1 to 65535");
    if (server.security == SmtpSecurity::None && !server.password.isEmpty()
        && !isLocalHost(server.host))
        return QStringLiteral("a password is never sent unencrypted to another machine: "
                              "choose STARTTLS or TLS");
    return std::nullopt;
}

void setSmtpSender(SmtpSender send)
{
    sender() = std::move(send);
}

QCoro::Task<Delivery> sendSmtp(SmtpServer server, MailMessage message, SmtpDeadlines deadlines)
{
    QFuture<Delivery> sending = QtConcurrent::run(
        [send = sender(), server, message, deadlines] { return send(server, message, deadlines); });
    const Delivery delivery = co_await sending;
    co_return delivery;
}

} // namespace zelvane
