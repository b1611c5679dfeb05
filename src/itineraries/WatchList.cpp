#include "itineraries/WatchList.h"

#include "itineraries/WatchListFile.h"

#include "app/DataFolder.h"
#include "app/PrivateFiles.h"
#include "app/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <cerrno>
#include <utility>
#include <vector>

namespace zelvane {

namespace {

// A change of the file takes a moment; a lock held longer than this belongs
// to a run that hangs (one whose process is gone is taken over at once).
constexpr int kLockWaitMs = 10000;
// A run killed between making the lock file and writing its name in it
// leaves the file empty, with no process to ask; by age alone it would stand
// for the whole wait. A second is far longer than that gap, and a file whose
// holder is alive is never taken over however old (it still holds the
// file's own lock, which the take-over needs).
constexpr int kNamelessLockMs = 1000;

// For each line of `a`, the line of `b` it keeps in their longest common
// subsequence, or -1.
QList<qsizetype> matching(const QStringList& a, const QStringList& b)
{
    const qsizetype n = a.size(), m = b.size();
    std::vector<std::vector<int>> common(size_t(n + 1), std::vector<int>(size_t(m + 1), 0));
    for (qsizetype i = n - 1; i >= 0; --i)
        for (qsizetype j = m - 1; j >= 0; --j)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    QList<qsizetype> match(n, -1);
    for (qsizetype i = 0, j = 0; i < n && j < m;) {
        if (a[i] == b[j])
            match[i++] = j++;
        else if (common[i + 1][j] >= common[i][j + 1])
            ++i;
        else
            ++j;
    }
    return match;
}

// A run of lines of one version replaced by lines of another.
struct Hunk {
    qsizetype at = 0, length = 0;
    QStringList with;
};

QList<Hunk> hunks(const QStringList& from, const QStringList& to)
{
    const QList<qsizetype> match = matching(from, to);
    QList<Hunk> all;
    qsizetype i = 0, j = 0;
    while (i < from.size() || j < to.size()) {
        if (i < from.size() && match[i] == j) {
            ++i, ++j;
            continue;
        }
        Hunk h{i, 0, {}};
        for (; i < from.size() && match[i] < 0; ++i)
            ++h.length;
        for (const qsizetype next = i < from.size() ? match[i] : to.size(); j < next; ++j)
            h.with << to[j];
        all << h;
    }
    return all;
}

// What this copy changed since `base`, made in `theirs`, the file as another
// program left it. A line changed here that the other removed stays removed.
QStringList merged(const QStringList& base, const QStringList& mine, QStringList theirs)
{
    const QList<qsizetype> inTheirs = matching(base, theirs);
    const QList<Hunk> changes = hunks(base, mine);
    // From the end, so the places found for earlier changes still hold.
    for (auto h = changes.crbegin(); h != changes.crend(); ++h) {
        QList<qsizetype> kept;
        for (qsizetype i = h->at; i < h->at + h->length; ++i)
            if (inTheirs[i] >= 0)
                kept << inTheirs[i];
        if (h->length > 0 && kept.isEmpty())
            continue;
        qsizetype at = theirs.size();
        if (!kept.isEmpty())
            at = kept.first();
        else
            for (qsizetype i = h->at; i < base.size(); ++i)
                if (inTheirs[i] >= 0) {
                    at = inTheirs[i];
                    break;
                }
        for (auto k = kept.crbegin(); k != kept.crend(); ++k)
            theirs.removeAt(*k);
        for (qsizetype w = 0; w < h->with.size(); ++w)
            theirs.insert(at + w, h->with[w]);
    }
    return theirs;
}

// The itinerary lines of the file; nothing when it is there but cannot be read.
std::optional<QStringList> fileLines(const QString& path)
{
    const std::optional<QStringList> read = readTextLines(path);
    if (!read)
        return QFile::exists(path) ? std::nullopt : std::optional<QStringList>(QStringList());
    QStringList lines;
    for (const QString& raw : *read)
        if (const QString line = raw.trimmed(); !line.isEmpty())
            lines << line;
    return lines;
}

} // namespace

WatchList::WatchList(QString dataFolder, QObject* parent) : QObject(parent), dataFolder_(std::move(dataFolder)) {}

WatchList::~WatchList() = default;

QString WatchList::filePath() const
{
    return QDir(dataFolder_).filePath(kQueryFile);
}

WatchList::Entry WatchList::entryOf(const QString& line)
{
    ReadLine r = readItineraryLine(line);
    return {line, std::move(r.itinerary), std::move(r.problem), std::move(r.dateField)};
}

QStringList WatchList::lines() const
{
    QStringList out;
    for (const Entry& e : entries_)
        out << e.line;
    return out;
}

void WatchList::load()
{
    entries_.clear();
    base_ = fileLines(filePath()).value_or(QStringList());
    for (const QString& line : std::as_const(base_))
        entries_.append(entryOf(line));
    behind_ = false;
    emit reset();
}

FileWrite WatchList::save()
{
    QString why;
    if (!lockFile(&why))
        return {EBUSY, why};
    const QStringList mine = lines();
    const std::optional<QStringList> theirs = fileLines(filePath());
    FileWrite written;
    if (!theirs) {
        written = {EIO, QStringLiteral("%1 could not be read to add this change to it").arg(kQueryFile)};
    } else {
        const QStringList next = *theirs == base_ ? mine : merged(base_, mine, *theirs);
        written = writeTextFile(filePath(), next);
        if (written) {
            // While held, the list keeps its positions; it catches up later.
            base_ = held_ ? mine : next;
            behind_ = held_ && next != mine;
            if (!held_)
                follow(next);
        }
    }
    unlockFile();
    return written;
}

bool WatchList::lockFile(QString* why)
{
    if (locks_ > 0) {
        ++locks_;
        return true;
    }
    const QString path = filePath() + QStringLiteral(".lock");
    lock_ = std::make_unique<QLockFile>(path);
    lock_->setStaleLockTime(kNamelessLockMs);
    if (lock_->tryLock(kLockWaitMs)) {
        keepPrivate(path);
        ++locks_;
        return true;
    }
    // A folder where no lock can be made holds no other program's either:
    // the write itself then says what is wrong.
    if (lock_->error() != QLockFile::LockFailedError) {
        lock_.reset();
        ++locks_;
        return true;
    }
    lock_.reset();
    if (why)
        *why = QStringLiteral("another program has been changing %1 for %2 seconds (%3)")
                   .arg(kQueryFile)
                   .arg(kLockWaitMs / 1000)
                   .arg(QDir::toNativeSeparators(path));
    return false;
}

void WatchList::unlockFile()
{
    if (locks_ > 0 && --locks_ == 0)
        lock_.reset();
}

void WatchList::followFile()
{
    if (watcher_)
        return;
    watcher_ = new QFileSystemWatcher(this);
    // The folder tells of a file renamed over the list; the file, of one
    // written in place.
    watcher_->addPath(dataFolder_.isEmpty() ? QDir::currentPath() : dataFolder_);
    if (QFile::exists(filePath()))
        watcher_->addPath(filePath());
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &WatchList::fileMayHaveChanged);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &WatchList::fileMayHaveChanged);
}

void WatchList::holdReloads(bool hold)
{
    held_ = hold;
    if (!held_ && behind_)
        fileMayHaveChanged();
}

void WatchList::fileMayHaveChanged()
{
    if (watcher_ && QFile::exists(filePath()) && !watcher_->files().contains(filePath()))
        watcher_->addPath(filePath());
    if (held_) {
        behind_ = true;
        return;
    }
    behind_ = false;
    const std::optional<QStringList> now = fileLines(filePath());
    if (!now || *now == base_)
        return;
    // A change of this copy that was not written yet goes in with it.
    if (lines() != base_) {
        save();
        return;
    }
    base_ = *now;
    follow(*now);
}

void WatchList::follow(const QStringList& target)
{
    const QList<Hunk> changes = hunks(lines(), target);
    QStringList addedNames, removedNames;
    for (auto h = changes.crbegin(); h != changes.crend(); ++h) {
        for (qsizetype k = h->length; k > 0; --k) {
            removedNames.prepend(name(int(h->at + k)));
            entries_.removeAt(h->at + k - 1);
            emit removed(int(h->at + k));
        }
        for (qsizetype w = 0; w < h->with.size(); ++w) {
            entries_.insert(h->at + w, entryOf(h->with[w]));
            emit added(int(h->at + w + 1));
        }
    }
    // Where each added line is now, after the changes before it.
    qsizetype shift = 0;
    for (const Hunk& h : changes) {
        for (qsizetype w = 0; w < h.with.size(); ++w) {
            const int position = int(h.at + shift + w + 1);
            addedNames << QStringLiteral("#%1 %2").arg(position).arg(name(position));
        }
        shift += h.with.size() - h.length;
    }
    if (!changes.isEmpty())
        emit changedElsewhere(addedNames, removedNames);
}

const Itinerary& WatchList::at(int position) const
{
    static const Itinerary none;
    return position >= 1 && position <= count() ? entries_[position - 1].itinerary : none;
}

QString WatchList::problem(int position) const
{
    return position >= 1 && position <= count() ? entries_[position - 1].problem : QString();
}

QString WatchList::datesText(int position) const
{
    if (position < 1 || position > count())
        return {};
    const Entry& e = entries_[position - 1];
    return e.problem.isEmpty() ? e.itinerary.datesText() : e.dateField;
}

QString WatchList::line(int position) const
{
    return position >= 1 && position <= count() ? entries_[position - 1].line : QString();
}

QString WatchList::name(int position) const
{
    const Itinerary& it = at(position);
    QStringList parts{it.originNames() + QStringLiteral(" → ") + it.destinationNames(), datesText(position)};
    if (!it.timeOfDay.isEmpty())
        parts << it.timeOfDay;
    parts << it.seatsText();
    return parts.join(QStringLiteral(", "));
}

QStringList WatchList::problems() const
{
    QStringList told;
    for (int p = 1; p <= count(); ++p)
        if (!readable(p))
            told << QStringLiteral("Itinerary #%1 of %2 cannot be read (%3): the line is kept as it is "
                                   "and not checked")
                        .arg(QString::number(p), kQueryFile, problem(p));
    return told;
}

void WatchList::add(const Itinerary& itinerary)
{
    entries_.append({itineraryLine(itinerary), itinerary, QString(), dateText(itinerary.date)});
    emit added(count());
}

void WatchList::removeAt(int position)
{
    if (position < 1 || position > count())
        return;
    entries_.removeAt(position - 1);
    emit removed(position);
}

void WatchList::clear()
{
    entries_.clear();
    emit reset();
}

bool WatchList::setHold(int position, bool paused, const QDate& snoozedUntil)
{
    if (position < 1 || position > count() || !readable(position))
        return false;
    Entry& e = entries_[position - 1];
    e.itinerary.paused = paused;
    e.itinerary.snoozedUntil = snoozedUntil;
    e.line = lineWithHold(e.line, e.itinerary);
    emit held(position);
    return true;
}

int WatchList::positionOf(const QString& identity) const
{
    for (int p = 1; p <= count(); ++p)
        if (readable(p) && at(p).identity() == identity)
            return p;
    return 0;
}

int WatchList::searchesPerCheck() const
{
    int searches = 0;
    for (int p = 1; p <= count() && p <= kMaxItineraries; ++p)
        if (readable(p) && !at(p).paused)
            searches += at(p).searches();
    return searches;
}

} // namespace zelvane
