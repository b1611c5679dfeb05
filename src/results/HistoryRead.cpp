#include "results/HistoryRead.h"

#include "results/CheckRecords.h"
#include "results/ResultsViewModel.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>

namespace zelvane {

namespace {

// The reads still running, each on its thread; started and ended on the
// thread that started them.
QList<HistoryRead*>& reads()
{
    static QList<HistoryRead*> list;
    return list;
}

} // namespace

QList<RouteCalendar> namedCalendars(const QList<HistoryCheck>& all, const QHash<QString, int>& positions)
{
    QList<RouteCalendar> calendars = seatCalendars(all);
    // Where watches share a route, one of the list goes by its place there.
    for (RouteCalendar& c : calendars) {
        if (c.watch.isEmpty() || c.name == routeName(c.route))
            continue;
        if (const auto p = positions.constFind(c.watch); p != positions.constEnd())
            c.name = routeName(c.route) + QStringLiteral(" (itinerary #%1)").arg(*p);
    }
    return calendars;
}

HistoryRead::HistoryRead(HistoryReadRequest request) : request_(std::move(request))
{
    qRegisterMetaType<QList<TimelinePoint>>();
    qRegisterMetaType<QList<HistoryCheck>>();
    qRegisterMetaType<QList<RouteCalendar>>();
}

HistoryRead::~HistoryRead()
{
    reads().removeOne(this);
}

HistoryRead* HistoryRead::start(HistoryReadRequest request)
{
    auto* read = new HistoryRead(std::move(request));
    read->thread_ = QThread::create([read] { read->run(); });
    read->thread_->setParent(read);
    read->thread_->setObjectName(QStringLiteral("history read"));
    // Ended: gone with its thread, on the thread that started it.
    connect(read->thread_, &QThread::finished, read, &QObject::deleteLater);
    reads() << read;
    // Started from the event loop: a caller connects to it first.
    QMetaObject::invokeMethod(read, [read] { read->thread_->start(QThread::LowPriority); }, Qt::QueuedConnection);
    return read;
}

void HistoryRead::cancel()
{
    cancelled_ = true;
}

void HistoryRead::stopAll()
{
    const QList<HistoryRead*> running = reads();
    for (HistoryRead* r : running)
        r->cancel();
    for (HistoryRead* r : running) {
        if (r->thread_->isRunning())
            r->thread_->wait();
        delete r; // a read not yet started never starts
    }
}

int HistoryRead::running()
{
    return int(reads().size());
}

void HistoryRead::run()
{
    const HistoryReadRequest& r = request_;
    HistoryStore store;
    const bool opened = store.openForReading(r.folder);
    if (!opened && !store.holdsNothing()) {
        if (!cancelled_)
            emit failed(store.error());
        return;
    }
    // The watch's timeline: each search's checks, one point a session.
    QList<QList<TimelinePoint>> days;
    for (const ItineraryKey& key : r.keys) {
        QList<TimelinePoint> points = opened ? store.timeline(key) : QList<TimelinePoint>();
        for (const HistoryCheck& h : r.unsaved)
            if (h.check.key == key)
                points.append({h.session, h.check.outcome});
        days << points;
    }
    if (cancelled_)
        return;
    if (!store.readError().isEmpty()) {
        emit failed(store.readError());
        return;
    }
    emit timelineRead(combinedTimeline(days));

    QList<HistoryCheck> all = opened ? store.checks() : QList<HistoryCheck>();
    if (cancelled_)
        return;
    if (!store.readError().isEmpty()) {
        emit failed(store.readError());
        return;
    }
    all << r.unsaved;
    QList<HistoryCheck> mine;
    for (const HistoryCheck& h : all)
        if (std::any_of(r.keys.cbegin(), r.keys.cend(), [&h](const ItineraryKey& k) { return isCheckOf(h.check.key, k); }))
            mine << h;
    const QList<RouteCalendar> calendars = namedCalendars(all, r.positions);
    if (!cancelled_)
        emit checksRead(mine, calendars);
}

} // namespace zelvane
