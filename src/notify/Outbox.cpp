// The outbox's queue: what waits, what a newer alert replaces or takes in,
// and when each is tried again.
#include "notify/Outbox.h"

#include "app/WholeFile.h"
#include "notify/Push.h"

#include <QFile>
#include <QJsonArray>

#include <algorithm>

namespace zelvane {

namespace {

// How often an entry held by another live sender is looked at again.
constexpr qint64 kLeaseLookMs = 5000;

QString topicText(OutboxEntry::Topic t)
{
    switch (t) {
    case OutboxEntry::Topic::Results: return QStringLiteral("Results");
    case OutboxEntry::Topic::Seats: return QStringLiteral("Seats found");
    case OutboxEntry::Topic::LoginWarning: return QStringLiteral("Login warning");
    case OutboxEntry::Topic::SiteNotice: return QStringLiteral("Site notice");
    case OutboxEntry::Topic::PagesNotice: return QStringLiteral("Result pages notice");
    }
    return {};
}

QString formText(OutboxEntry::Form f)
{
    switch (f) {
    case OutboxEntry::Form::Push: return QStringLiteral("push");
    case OutboxEntry::Form::Desktop: return QStringLiteral("desktop note");
    default: return QStringLiteral("e-mail");
    }
}

// How often what memory alone holds is tried to be written.
constexpr qint64 kUnstoredLookMs = 30000;

// A seat push's lines; an entry of an older copy has its text alone.
QList<PushLine> linesOf(const OutboxEntry& e)
{
    const QJsonArray lines = e.payload.value(QLatin1String("lines")).toArray();
    if (!lines.isEmpty())
        return pushLinesFromJson(lines);
    const QString text = e.payload.value(QLatin1String("text")).toString();
    return {{text, text, e.created, false}};
}

void setLines(OutboxEntry& e, const QList<PushLine>& lines)
{
    e.payload.insert(QStringLiteral("lines"), pushLinesJson(lines));
    e.payload.insert(QStringLiteral("text"), pushText(lines, false));
}

} // namespace

QString OutboxEntry::describe() const
{
    return topicText(topic) + QLatin1Char(' ') + formText(form) + QStringLiteral(" of ")
           + created.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
}

int retryMinutes(int failedTries)
{
    int minutes = 1;
    for (int i = 1; i < failedTries && minutes < 60; ++i)
        minutes *= 2;
    return std::min(minutes, 60);
}

QList<OutboxEntry> Outbox::keep(QList<OutboxEntry> entries, const QByteArray& told, const QDateTime& now)
{
    // What an earlier session left in memory goes first, in its own transaction.
    writeUnstored();
    begin();
    QList<OutboxEntry> kept;
    for (OutboxEntry& e : entries)
        kept << add(std::move(e), now);
    if (!told.isEmpty()) {
        toldUnstored_ = told;
        storeTold(told);
    }
    spentReserve_ = false;
    if (commit()) {
        toldUnstored_.clear();
        makeReserve(); // room again, after a session that spent it
    } else if (error_ == kDataFolderFull && QFile::remove(reservePath())) {
        // The disk is full: the room kept for this takes the session, the
        // user is told, and the room is kept again once there is some.
        spentReserve_ = true;
        writeUnstored();
    }
    for (OutboxEntry& e : kept)
        for (const OutboxEntry& w : std::as_const(entries_))
            if (w.id == e.id)
                e = w;
    return kept;
}

void Outbox::mergeSeatPushes(OutboxEntry& into, const QDateTime& now)
{
    QList<PushLine> older;
    QList<qint64> merged;
    for (const OutboxEntry& e : std::as_const(entries_)) {
        // One a sender holds may be delivered any moment: it stays apart.
        if (e.id == into.id || !e.isSeatsPush() || (e.lease.until.isValid() && e.lease.until > now))
            continue;
        older = mergePushLines(older, linesOf(e));
        merged << e.id;
    }
    if (merged.isEmpty())
        return;
    setLines(into, mergePushLines(older, linesOf(into)));
    for (qint64 id : merged)
        remove(id);
}

OutboxEntry Outbox::add(OutboxEntry entry, const QDateTime& now)
{
    if (entry.topic != OutboxEntry::Topic::Seats) {
        QList<qint64> obsolete;
        for (const OutboxEntry& e : std::as_const(entries_))
            if (e.topic == entry.topic && e.form == entry.form)
                obsolete << e.id;
        for (qint64 id : obsolete)
            remove(id);
    }
    entry.id = nextId_++;
    entry.created = entry.created.isValid() ? entry.created : now;
    entry.tries = 0;
    entry.nextTry = now;
    entry.lastTry = QDateTime();
    entry.lease = {};
    if (entry.isSeatsPush())
        mergeSeatPushes(entry, now);
    entries_ << entry;
    store(entry);
    return entry;
}

void Outbox::delivered(qint64 id)
{
    remove(id);
}

void Outbox::failed(qint64 id, const QString& reason, const QDateTime& now)
{
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [id](const OutboxEntry& e) { return e.id == id; });
    if (it == entries_.end())
        return;
    ++it->tries;
    it->lastReason = reason;
    it->lastTry = now;
    it->lease = {};
    const qint64 pauseMs = qint64(60000.0 * retryMinutes(it->tries) * pauseScale_);
    it->nextTry = now.addMSecs(std::max<qint64>(pauseMs, 1));
    OutboxEntry e = *it;
    if (e.isSeatsPush()) {
        // A newer seat push came while this one was tried: they go as one.
        const auto newer = std::find_if(entries_.crbegin(), entries_.crend(), [&e, &now](const OutboxEntry& n) {
            return n.id > e.id && n.isSeatsPush() && !(n.lease.until.isValid() && n.lease.until > now);
        });
        if (newer != entries_.crend()) {
            OutboxEntry into = *newer;
            mergeSeatPushes(into, now);
            for (OutboxEntry& n : entries_)
                if (n.id == into.id)
                    n = into;
            store(into);
            return;
        }
    }
    store(e);
}

void Outbox::drop(OutboxEntry::Topic topic)
{
    QList<qint64> ids;
    for (const OutboxEntry& e : std::as_const(entries_))
        if (e.topic == topic)
            ids << e.id;
    for (qint64 id : ids)
        remove(id);
}

bool Outbox::contains(qint64 id) const
{
    return std::any_of(entries_.cbegin(), entries_.cend(), [id](const OutboxEntry& e) { return e.id == id; });
}

QList<OutboxEntry> Outbox::waiting() const
{
    return entries_;
}

QList<OutboxEntry> Outbox::due(const QDateTime& now, const QDateTime& dueBy) const
{
    QList<OutboxEntry> due;
    for (const OutboxEntry& e : entries_)
        if (e.nextTry <= dueBy && !held(e, now))
            due << e;
    return due;
}

QDateTime Outbox::nextDue(const QDateTime& now) const
{
    QDateTime next;
    // What memory alone holds is written once the disk has room again.
    if (!unstored_.isEmpty() || !unremoved_.isEmpty() || !toldUnstored_.isEmpty())
        next = now.addMSecs(kUnstoredLookMs);
    for (const OutboxEntry& e : entries_) {
        // One this program is sending comes back when its try ends.
        if (held(e, now) && !leasedElsewhere(e, now))
            continue;
        const QDateTime at = leasedElsewhere(e, now)
                                 ? std::min(e.lease.until, now.addMSecs(kLeaseLookMs))
                                 : e.nextTry;
        if (!next.isValid() || at < next)
            next = at;
    }
    return next;
}

QString Outbox::summary() const
{
    if (entries_.isEmpty())
        return {};
    // The reason of the try that came last, whichever entry it was.
    const OutboxEntry* last = nullptr;
    for (const OutboxEntry& e : entries_)
        if (!e.lastReason.isEmpty() && (!last || e.lastTry >= last->lastTry))
            last = &e;
    const int n = int(entries_.size());
    QString text = n == 1 ? QStringLiteral("1 alert waiting to be sent")
                          : QStringLiteral("%1 alerts waiting to be sent").arg(n);
    // Kept in memory only: lost if this program ends before the disk has room.
    if (!unstored_.isEmpty())
        text += QStringLiteral(" (%1 kept in memory only: %2)")
                    .arg(unstored_.size() == n ? QStringLiteral("all") : QString::number(unstored_.size()),
                         error_.isEmpty() ? QStringLiteral("the outbox file could not be written") : error_);
    return last ? text + QStringLiteral(": ") + last->lastReason : text;
}

} // namespace zelvane
