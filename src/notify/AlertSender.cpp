#include "notify/AlertSender.h"

#include "app/Clock.h"
#include "net/FormPost.h"
#include "net/Url.h"
#include "notify/DesktopNotifier.h"
#include "notify/SmtpMail.h"

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QPointer>
#include <QUuid>

namespace zelvane {

namespace {

using std::chrono::milliseconds;

// A timer may fire a little early: what falls due by then counts as due.
constexpr qint64 kEarlyMs = 1000;
// For a sender to start and end, beyond its alert's own deadline.
constexpr milliseconds kLeaseGrace{10000};
const QDateTime kAnyTime(QDate(9999, 12, 31), QTime(23, 59));

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

OutboxEntry mailEntry(OutboxEntry::Topic topic, const MailTarget& target, const QString& subject,
                      const QString& html, const QString& plain)
{
    const QString from = mailFrom(target);
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

OutboxEntry pushEntry(OutboxEntry::Topic topic, const PushMessage& message, const QList<PushLine>& lines)
{
    QJsonObject payload{{"title", message.title}, {"text", message.text}, {"priority", message.priority},
                        {"tags", message.tags}};
    if (!lines.isEmpty()) {
        payload.insert(QStringLiteral("lines"), pushLinesJson(lines));
        payload.insert(QStringLiteral("text"), pushText(lines, false));
    }
    return entry(topic, OutboxEntry::Form::Push, payload);
}

OutboxEntry desktopEntry(OutboxEntry::Topic topic, const QString& summary, const QString& body, bool showResults)
{
    return entry(topic, OutboxEntry::Form::Desktop, {{"summary", summary}, {"body", body}, {"showResults", showResults}});
}

AlertSender::AlertSender(Outbox& outbox, const SettingsGroup<AlertChannels>& channels,
                         SettingsField<Member, QString> email, MessageBoxes& boxes, const Clock& clock, QObject* parent)
    : QObject(parent), outbox_(outbox), channels_(channels), email_(email), boxes_(boxes), clock_(clock)
{
    retry_.setSingleShot(true);
    // A coarse timer may fire early, by up to a twentieth of its wait.
    retry_.setTimerType(Qt::PreciseTimer);
    connect(&retry_, &QTimer::timeout, this, [this] { sendWaiting({true}); });
}

milliseconds AlertSender::leaseLength(const OutboxEntry& e) const
{
    if (e.form == OutboxEntry::Form::Smtp)
        return deadlines.secret + deadlines.smtp.whole + kLeaseGrace;
    if (e.form == OutboxEntry::Form::Desktop)
        return desktopDeadline + kLeaseGrace;
    return deadlines.http.connect + deadlines.http.transfer + kLeaseGrace;
}

QCoro::Task<Delivery> AlertSender::deliver(OutboxEntry e, NetTimeouts http)
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
        message.receipt = {outbox_.filePath(), e.id};
        const Delivery mailed = co_await mailBySmtp(mailTarget(), message, deadlines);
        co_return mailed;
    }
    case OutboxEntry::Form::SiteGet: {
        const QNetworkRequest request(QUrl(str(p, "address"), QUrl::TolerantMode));
        const HttpReply reply = co_await httpExchange(request, "GET", QByteArray(), http);
        co_return httpDelivery(reply, QStringLiteral("the product site"));
    }
    case OutboxEntry::Form::SitePost: {
        const QString address = str(p, "address"), form = str(p, "form");
        try {
            const std::optional<HttpReply> reply = co_await postFormExchange(address, form, boxes_, http);
            if (reply)
                co_return httpDelivery(*reply, QStringLiteral("the mail relay"));
        } catch (const UrlError&) {
            // A relay address the parser cannot take apart: no mail, no box.
        }
        co_return Delivery::failed(QStringLiteral("the mail relay's address is not usable"));
    }
    case OutboxEntry::Form::Push: {
        const QJsonArray lines = p.value(QLatin1String("lines")).toArray();
        // A push that waited says when what it tells was seen.
        const QString text = lines.isEmpty() ? str(p, "text") : pushText(pushLinesFromJson(lines), e.tries > 0);
        const PushMessage push{str(p, "title"), text, str(p, "priority"), str(p, "tags"),
                               pushClick(pushLinesFromJson(lines))};
        const Delivery pushed = co_await sendPush(channels_->pushUrl, push, http);
        co_return pushed;
    }
    case OutboxEntry::Form::Desktop: {
        if (!desktop_)
            co_return Delivery::failed(QStringLiteral("no desktop here"));
        const DesktopNotifier::Note note{str(p, "summary"), str(p, "body"),
                                         p.value(QLatin1String("showResults")).toBool()};
        const Delivery shown = co_await desktop_->notify(note, desktopDeadline);
        co_return shown;
    }
    }
    co_return Delivery::failed(QStringLiteral("an alert of a kind this copy does not know"));
}

QCoro::Task<Delivery> AlertSender::tryEntry(OutboxEntry e, NetTimeouts http)
{
    // Told to stop: it waits for the next run.
    if (stopping_)
        co_return Delivery::failed(QStringLiteral("not sent: the program was told to stop"));
    if (inFlight_.contains(e.id))
        co_return Delivery::failed(QStringLiteral("it is being sent"));
    const QDateTime now = clock_.now();
    const Outbox::Take taken = outbox_.lease(e.id, now.addMSecs(leaseLength(e).count()), now);
    if (taken != Outbox::Take::Taken) {
        emit waitingChanged();
        armRetry();
        // Delivered by another program: the user has it.
        if (taken == Outbox::Take::Gone)
            co_return Delivery::ok(QStringLiteral("sent by another program"));
        co_return Delivery::failed(QStringLiteral("another program is sending it"));
    }
    inFlight_.insert(e.id);
    QPointer<AlertSender> self(this);
    const Delivery d = co_await deliver(e, http);
    if (!self)
        co_return d;
    inFlight_.remove(e.id);
    if (d.delivered)
        outbox_.delivered(e.id);
    else
        outbox_.failed(e.id, d.failure, clock_.now());
    emit waitingChanged();
    armRetry();
    if (inFlight_.isEmpty())
        emit idle();
    co_return d;
}

QCoro::Task<Delivery> AlertSender::send(OutboxEntry e)
{
    const OutboxEntry kept = outbox_.add(std::move(e), clock_.now());
    emit waitingChanged();
    const Delivery d = co_await tryEntry(kept, deadlines.http);
    co_return d;
}

QList<OutboxEntry> AlertSender::keep(QList<OutboxEntry> entries, const QByteArray& told)
{
    const QList<OutboxEntry> kept = outbox_.keep(std::move(entries), told, clock_.now());
    emit waitingChanged();
    return kept;
}

QCoro::Task<Delivery> AlertSender::sendKept(OutboxEntry e)
{
    // Sent meanwhile by another program, or taken into a newer one.
    if (!outbox_.contains(e.id))
        co_return Delivery::ok(QStringLiteral("sent by another program"));
    const Delivery d = co_await tryEntry(e, deadlines.http);
    co_return d;
}

QCoro::Task<Delivery> AlertSender::sendOnce(OutboxEntry e)
{
    const Delivery d = co_await deliver(std::move(e), deadlines.http);
    co_return d;
}

QCoro::Task<> AlertSender::sendWaiting(WaitingRound round)
{
    QPointer<AlertSender> self(this);
    // What only memory held (a full disk) is written once there is room.
    if (outbox_.unstoredCount() > 0 && outbox_.writeUnstored())
        emit waitingChanged();
    const QDateTime now = clock_.now();
    const QList<OutboxEntry> entries = outbox_.due(now, round.dueOnly ? now.addMSecs(kEarlyMs) : kAnyTime);
    std::optional<QDeadlineTimer> pushes;
    for (const OutboxEntry& e : entries) {
        if (!self || stopping_)
            co_return;
        // Sent meanwhile by another try, or replaced by a newer alert.
        if (inFlight_.contains(e.id) || !outbox_.contains(e.id))
            continue;
        if ((round.holdSeatPushes && e.isSeatsPush())
            || (round.untriedSince.isValid() && e.lastTry.isValid() && e.lastTry >= round.untriedSince))
            continue;
        NetTimeouts http = deadlines.http;
        if (e.form == OutboxEntry::Form::Push) {
            if (!pushes)
                pushes = QDeadlineTimer(deadlines.http.transfer);
            const milliseconds left(pushes->remainingTime());
            // The round's time for pushes is spent: the rest wait for the next.
            if (left <= milliseconds(0))
                continue;
            http.connect = std::min(http.connect, left);
            http.transfer = std::min(http.transfer, left);
        }
        co_await tryEntry(e, http);
    }
    if (self)
        armRetry();
}

void AlertSender::drop(OutboxEntry::Topic topic)
{
    outbox_.drop(topic);
    emit waitingChanged();
    armRetry();
}

void AlertSender::retryWhenDue()
{
    retrying_ = true;
    // What an earlier run left is tried at once, not at its old time.
    QTimer::singleShot(0, this, [this] { sendWaiting(); });
}

void AlertSender::stop()
{
    stopping_ = true;
    retry_.stop();
}

void AlertSender::armRetry()
{
    if (!retrying_ || stopping_)
        return;
    const QDateTime now = clock_.now();
    const QDateTime next = outbox_.nextDue(now);
    if (!next.isValid()) {
        retry_.stop();
        return;
    }
    const qint64 ms = std::clamp<qint64>(now.msecsTo(next), 0, 3600 * 1000);
    retry_.start(int(ms));
}

} // namespace zelvane
