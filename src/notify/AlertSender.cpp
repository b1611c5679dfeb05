#include "notify/AlertSender.h"

#include "app/Clock.h"
#include "app/Settings.h"
#include "net/FormPost.h"
#include "net/Url.h"
#include "notify/SmtpMail.h"

#include <QJsonObject>
#include <QNetworkRequest>
#include <QPointer>
#include <QUuid>

namespace zelvane {

namespace {

QString str(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

OutboxEntry entry(OutboxEntry::Topic topic, OutboxEntry::Form form, QJsonObject payload)
{
    OutboxEntry e;
    e.topic = topic;
    e.form = form;
    e.payload = std::move(payload);
    return e;
}

} // namespace

OutboxEntry mailEntry(OutboxEntry::Topic topic, const Settings& settings, const QString& subject,
                      const QString& html, const QString& plain)
{
    const QString from = mailFrom(settings);
    const QString domain = from.contains(QLatin1Char('@')) ? from.section(QLatin1Char('@'), -1)
                                                            : QStringLiteral("zelvane.invalid");
    return entry(topic, OutboxEntry::Form::Smtp,
                 {{"subject", subject}, {"html", html}, {"plain", plain},
                  {"messageId", QUuid::createUuid().toString(QUuid::WithoutBraces) + QLatin1Char('@') + domain},
                  {"date", QDateTime::currentDateTime().toString(Qt::ISODate)}});
}

OutboxEntry siteGetEntry(OutboxEntry::Topic topic, const QString& address)
{
    return entry(topic, OutboxEntry::Form::SiteGet, {{"address", address}});
}

OutboxEntry sitePostEntry(OutboxEntry::Topic topic, const QString& address, const QString& form)
{
    return entry(topic, OutboxEntry::Form::SitePost, {{"address", address}, {"form", form}});
}

OutboxEntry pushEntry(OutboxEntry::Topic topic, const PushMessage& message)
{
    return entry(topic, OutboxEntry::Form::Push,
                 {{"title", message.title}, {"text", message.text}, {"priority", message.priority},
                  {"tags", message.tags}});
}

AlertSender::AlertSender(Outbox& outbox, const Settings& settings, MessageBoxes& boxes,
                         const Clock& clock, QObject* parent)
    : QObject(parent), outbox_(outbox), settings_(settings), boxes_(boxes), clock_(clock)
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, [this] { sendWaiting(true); });
}

QCoro::Task<Delivery> AlertSender::deliver(OutboxEntry e)
{
    const QJsonObject& p = e.payload;
    switch (e.form) {
    case OutboxEntry::Form::Smtp: {
        MailMessage message;
        message.subject = str(p, "subject");
        message.html = str(p, "html");
        message.plain = str(p, "plain");
        message.messageId = str(p, "messageId");
        message.date = QDateTime::fromString(str(p, "date"), Qt::ISODate);
        const Delivery mailed = co_await mailBySmtp(settings_, message, deadlines);
        co_return mailed;
    }
    case OutboxEntry::Form::SiteGet: {
        const QNetworkRequest request(QUrl(str(p, "address"), QUrl::TolerantMode));
        const HttpReply reply = co_await httpExchange(request, "GET", QByteArray(), deadlines.http);
        co_return httpDelivery(reply, QStringLiteral("the product site"));
    }
    case OutboxEntry::Form::SitePost: {
        const QString address = str(p, "address"), form = str(p, "form");
        try {
            const std::optional<HttpReply> reply = co_await postFormExchange(address, form, boxes_, deadlines.http);
            if (reply)
                co_return httpDelivery(*reply, QStringLiteral("the mail relay"));
        } catch (const UrlError&) {
            // A relay address the parser cannot take apart: no mail, no box.
        }
        co_return Delivery::failed(QStringLiteral("the mail relay's address is not usable"));
    }
    case OutboxEntry::Form::Push: {
        const PushMessage push{str(p, "title"), str(p, "text"), str(p, "priority"), str(p, "tags")};
        const Delivery pushed = co_await sendPush(settings_.pushUrl, push, deadlines.http);
        co_return pushed;
    }
    }
    co_return Delivery::failed(QStringLiteral("an alert of a kind this copy does not know"));
}

QCoro::Task<Delivery> AlertSender::tryEntry(OutboxEntry e)
{
    inFlight_.insert(e.id);
    QPointer<AlertSender> self(this);
    const Delivery d = co_await deliver(e);
    if (!self)
        co_return d;
    inFlight_.remove(e.id);
    if (d.delivered)
        outbox_.delivered(e.id);
    else
        outbox_.failed(e.id, d.failure, clock_.now());
    emit waitingChanged();
    armRetry();
    co_return d;
}

QCoro::Task<Delivery> AlertSender::send(OutboxEntry e)
{
    const OutboxEntry kept = outbox_.add(std::move(e), clock_.now());
    emit waitingChanged();
    const Delivery d = co_await tryEntry(kept);
    co_return d;
}

QCoro::Task<Delivery> AlertSender::sendOnce(OutboxEntry e)
{
    const Delivery d = co_await deliver(std::move(e));
    co_return d;
}

QCoro::Task<> AlertSender::sendWaiting(bool dueOnly)
{
    QPointer<AlertSender> self(this);
    const QList<OutboxEntry> entries = dueOnly ? outbox_.due(clock_.now()) : outbox_.waiting();
    for (const OutboxEntry& e : entries) {
        if (!self)
            co_return;
        // Sent meanwhile by another try, or replaced by a newer alert.
        if (inFlight_.contains(e.id) || !outbox_.contains(e.id))
            continue;
        co_await tryEntry(e);
    }
}

void AlertSender::drop(OutboxEntry::Topic topic)
{
    outbox_.drop(topic);
    emit waitingChanged();
}

void AlertSender::retryWhenDue()
{
    retrying_ = true;
    armRetry();
}

void AlertSender::armRetry()
{
    if (!retrying_)
        return;
    const QDateTime next = outbox_.nextDue();
    if (!next.isValid()) {
        retry_.stop();
        return;
    }
    const qint64 ms = std::max<qint64>(0, clock_.now().msecsTo(next));
    retry_.start(int(std::min<qint64>(ms, 3600 * 1000)));
}

} // namespace zelvane
