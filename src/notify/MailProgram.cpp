#include "notify/MailProgram.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace zelvane {

namespace {

// The loader's exit status when a library the program links cannot be loaded.
constexpr int kLibraryNotLoaded = 127;
// For the program's start and end, beyond the mail's own deadline.
constexpr std::chrono::milliseconds kGrace{5000};

QString lastLine(const QByteArray& text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.last()).trimmed();
}

} // namespace

QString mailProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zelvane-mail");
}

QByteArray mailRequestJson(const MailRequest& r)
{
    const QJsonObject json{
        {"host", r.server.host},
        {"port", r.server.port},
        {"security", int(r.server.security)},
        {"user", r.server.user},
        {"password", r.server.password},
        {"from", r.message.from},
        {"to", r.message.to},
        {"subject", r.message.subject},
        {"html", r.message.html},
        {"plain", r.message.plain},
        {"date", r.message.date.isValid() ? r.message.date.toString(Qt::ISODateWithMs) : QString()},
        {"messageId", r.message.messageId},
        {"connectMs", qint64(r.deadlines.connect.count())},
        {"wholeMs", qint64(r.deadlines.whole.count())},
        {"outbox", r.message.receipt.outbox},
        {"outboxId", r.message.receipt.id},
    };
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

std::optional<MailRequest> mailRequestFromJson(const QByteArray& text)
{
    const QJsonObject json = QJsonDocument::fromJson(text).object();
    if (!json.contains(QLatin1String("host")))
        return std::nullopt;
    MailRequest r;
    r.server.host = json["host"].toString();
    r.server.port = json["port"].toInt();
    r.server.security = SmtpSecurity(json["security"].toInt());
    r.server.user = json["user"].toString();
    r.server.password = json["password"].toString();
    r.message.from = json["from"].toString();
    r.message.to = json["to"].toString();
    r.message.subject = json["subject"].toString();
    r.message.html = json["html"].toString();
    r.message.plain = json["plain"].toString();
    r.message.date = QDateTime::fromString(json["date"].toString(), Qt::ISODateWithMs);
    r.message.messageId = json["messageId"].toString();
    r.message.receipt = {json["outbox"].toString(), json["outboxId"].toInteger()};
    r.deadlines.connect = std::chrono::milliseconds(json["connectMs"].toInteger(r.deadlines.connect.count()));
    r.deadlines.whole = std::chrono::milliseconds(json["wholeMs"].toInteger(r.deadlines.whole.count()));
    return r;
}

QByteArray deliveryJson(const Delivery& d)
{
    const QJsonObject json{{"delivered", d.delivered}, {"failure", d.failure}, {"reply", d.reply}};
    return QJsonDocument(json).toJson(QJsonDocument::Compact);
}

Delivery sendSmtpByProgram(const QString& program, const SmtpServer& server,
                           const MailMessage& message, SmtpDeadlines deadlines)
{
    QProcess mailer;
    mailer.start(program, {});
    if (!mailer.waitForStarted(int(kGrace.count())))
        return Delivery::failed(QStringLiteral("the mail program could not be started (%1)")
                                    .arg(mailer.errorString()));
    mailer.write(mailRequestJson({server, message, deadlines}));
    mailer.closeWriteChannel();
    // The program holds the mail's deadlines itself; this one holds should it hang anyway.
    if (!mailer.waitForFinished(int((deadlines.whole + kGrace).count()))) {
        mailer.kill();
        mailer.waitForFinished();
        return Delivery::failed(QStringLiteral("the mail program did not end in time"));
    }
    const bool ended = mailer.exitStatus() == QProcess::NormalExit;
    if (ended && mailer.exitCode() == kLibraryNotLoaded)
        return Delivery::failed(QStringLiteral("the mail library could not be loaded"));
    const QJsonObject outcome = QJsonDocument::fromJson(mailer.readAllStandardOutput()).object();
    if (!ended || mailer.exitCode() != 0 || !outcome.contains(QLatin1String("delivered"))) {
        const QString said = lastLine(mailer.readAllStandardError());
        const QString why = !said.isEmpty() ? said
                            : ended         ? QStringLiteral("status %1").arg(mailer.exitCode())
                                            : mailer.errorString();
        return Delivery::failed(QStringLiteral("the mail program failed (%1)").arg(why));
    }
    if (!outcome["delivered"].toBool())
        return Delivery::failed(outcome["failure"].toString());
    return Delivery::ok(outcome["reply"].toString());
}

} // namespace zelvane
