#include "notify/AlertEntries.h"

#include "notify/Push.h"
#include "notify/SmtpMail.h"

#include <QRegularExpression>

namespace zelvane {

AlertEntries alertEntriesFrom(const AlertChannels& c)
{
    AlertEntries e;
    e.smtpHost = c.smtpHost;
    e.smtpPort = QString::number(c.smtpPort);
    e.smtpSecurity = c.smtpSecurity;
    e.smtpUser = c.smtpUser;
    e.smtpFrom = c.smtpFrom;
    e.pushUrl = c.pushUrl;
    e.notifyDesktop = c.notifyDesktop;
    e.announceChangesOnly = c.announceChangesOnly;
    return e;
}

std::optional<EntryProblem> checkAlertEntries(const AlertEntries& e, bool passwordKept)
{
    const QString host = e.smtpHost.trimmed();
    static const QRegularExpression hostName(
        QStringLiteral("^(\\[[0-9A-Fa-f:.]+\\]|[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?"
                       "(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*)$"));
    if (!host.isEmpty() && !hostName.match(host).hasMatch())
        return EntryProblem{AlertEntry::SmtpHost, QStringLiteral("The mail server must be a host name such as "
                                                          "smtp.example.com.")};
    bool isNumber = false;
    const int port = e.smtpPort.trimmed().toInt(&isNumber);
    if (!isNumber || port < 1 || port > 65535)
        return EntryProblem{AlertEntry::SmtpPort, QStringLiteral("The port must be a number from 1 to 65535.")};
    const bool needsHost = !e.smtpUser.trimmed().isEmpty() || !e.smtpPassword.isEmpty()
                           || !e.smtpFrom.trimmed().isEmpty();
    if (host.isEmpty() && needsHost)
        return EntryProblem{AlertEntry::SmtpHost, QStringLiteral("Please enter the mail server these details "
                                                          "belong to.")};
    const QString from = e.smtpFrom.trimmed();
    static const QRegularExpression address(QStringLiteral("^[^@\\s]+@[^@\\s]+$"));
    if (!from.isEmpty() && !address.match(from).hasMatch())
        return EntryProblem{AlertEntry::SmtpFrom, QStringLiteral("The sender must be an e-mail address with "
                                                          "one \"@\", such as me@example.com.")};
    SmtpServer server{host, port, e.smtpSecurity, e.smtpUser.trimmed(),
                      e.smtpPassword.isEmpty() && passwordKept && !e.smtpUser.trimmed().isEmpty()
                          ? QStringLiteral("kept") : e.smtpPassword};
    if (!host.isEmpty())
        if (const auto problem = smtpSetupProblem(server))
            return EntryProblem{AlertEntry::SmtpSecurity, problem->left(1).toUpper() + problem->mid(1) + '.'};
    if (!e.pushUrl.trimmed().isEmpty() && !isPushAddress(e.pushUrl))
        return EntryProblem{AlertEntry::PushAddress, QStringLiteral("The push address must be a web address "
                                                         "starting with https:// or http://.")};
    return std::nullopt;
}

void applyAlertEntries(SettingsGroup<AlertChannels>& channels, const AlertEntries& e)
{
    channels.change([&e](AlertChannels& c) {
        c.smtpHost = e.smtpHost.trimmed();
        c.smtpPort = e.smtpPort.trimmed().toInt();
        c.smtpSecurity = e.smtpSecurity;
        c.smtpUser = e.smtpUser.trimmed();
        c.smtpFrom = e.smtpFrom.trimmed();
        c.pushUrl = e.pushUrl.trimmed();
        c.notifyDesktop = e.notifyDesktop;
        c.announceChangesOnly = e.announceChangesOnly;
    });
}

} // namespace zelvane
