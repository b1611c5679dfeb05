// The outbox: what waits survives a restart, a newer alert replaces only what
// it makes obsolete, and the pause between tries grows to an hour.
#include "notify/Outbox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>
#include <csignal>
#include <cstdio>

using namespace zelvane;
using namespace zelvane::test;
using Topic = OutboxEntry::Topic;
using Form = OutboxEntry::Form;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(10, 0));

OutboxEntry entry(Topic topic, Form form, const QString& text)
{
    OutboxEntry e;
    e.topic = topic;
    e.form = form;
    e.payload = {{"text", text}};
    return e;
}

QStringList texts(const Outbox& outbox)
{
    QStringList out;
    for (const OutboxEntry& e : outbox.waiting())
        out << e.payload.value("text").toString();
    return out;
}

// Another sender: this test program run again, holding the outbox of
// `folder` in a process of its own. It leases entry `id` until `until` (as
// at `now`) once `go` exists, says "taken", "held" or "gone", and stays alive
// until it is ended.
QStringList senderArgs(const QString& folder, qint64 id, const QDateTime& until, const QDateTime& now,
                       const QString& go)
{
    return {folder, QString::number(id), until.toString(Qt::ISODateWithMs), now.toString(Qt::ISODateWithMs), go};
}

int runSender()
{
    const QStringList a = qEnvironmentVariable("OUTBOX_SENDER").split(QLatin1Char('|'));
    Outbox outbox;
    if (a.size() != 5 || !outbox.open(a[0]))
        return 2;
    std::puts("ready");
    std::fflush(stdout);
    while (!QFile::exists(a[4]))
        QThread::usleep(200);
    const Outbox::Take t = outbox.lease(a[1].toLongLong(), QDateTime::fromString(a[2], Qt::ISODateWithMs),
                                        QDateTime::fromString(a[3], Qt::ISODateWithMs));
    std::puts(t == Outbox::Take::Taken ? "taken" : t == Outbox::Take::Gone ? "gone" : "held");
    std::fflush(stdout);
    // Alive, as a sender still sending, until ended.
    char c;
    while (std::fread(&c, 1, 1, stdin) == 1) {
    }
    return 0;
}

class Sender {
public:
    Sender(const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("OUTBOX_SENDER", args.join('|'));
        process_.setProcessEnvironment(env);
        process_.start(QCoreApplication::applicationFilePath(), {});
    }
    ~Sender() { end(); }
    QString line(int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!process_.canReadLine() && !deadline.hasExpired())
            process_.waitForReadyRead(50);
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    void end()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
};

} // namespace

class TestOutbox : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { freshHome(); }

    void aNewerAlertReplacesOnlyWhatItMakesObsolete_data()
    {
        QTest::addColumn<QList<OutboxEntry>>("added");
        QTest::addColumn<QStringList>("waiting");
        QTest::newRow("results mail by a newer one")
            << QList<OutboxEntry>{entry(Topic::Results, Form::Smtp, "old"), entry(Topic::Results, Form::Smtp, "new")}
            << QStringList{"new"};
        QTest::newRow("results by another way: both")
            << QList<OutboxEntry>{entry(Topic::Results, Form::Smtp, "mail"), entry(Topic::Results, Form::Push, "push")}
            << QStringList{"mail", "push"};
        QTest::newRow("waiting seat pushes go as one, the older line saying when it was seen")
            << QList<OutboxEntry>{entry(Topic::Seats, Form::Push, "SYD"), entry(Topic::Seats, Form::Push, "MEL")}
            << QStringList{"SYD (seen 09/12/2026 10:00)\nMEL"};
        QTest::newRow("a seat mail is not a push")
            << QList<OutboxEntry>{entry(Topic::Seats, Form::Push, "SYD"), entry(Topic::Seats, Form::Smtp, "MEL")}
            << QStringList{"SYD", "MEL"};
        QTest::newRow("one login warning, the newest")
            << QList<OutboxEntry>{entry(Topic::LoginWarning, Form::SitePost, "a"),
                                  entry(Topic::Results, Form::SitePost, "r"),
                                  entry(Topic::LoginWarning, Form::SitePost, "b")}
            << QStringList{"r", "b"};
    }
    void aNewerAlertReplacesOnlyWhatItMakesObsolete()
    {
        QFETCH(QList<OutboxEntry>, added);
        QFETCH(QStringList, waiting);
        Outbox outbox;
        for (const OutboxEntry& e : added)
            outbox.add(e, kNow);
        QCOMPARE(texts(outbox), waiting);
    }

    void whatWaitsSurvivesARestart()
    {
        const QString folder = freshFolder("outbox");
        {
            Outbox outbox;
            QVERIFY(outbox.open(folder));
            // Nothing waits, so nothing is written.
            QVERIFY(QDir(folder).isEmpty());
            const OutboxEntry login = outbox.add(entry(Topic::LoginWarning, Form::Smtp, "warning"), kNow);
            const OutboxEntry seats = outbox.add(entry(Topic::Seats, Form::Push, "seats"), kNow);
            outbox.failed(seats.id, "the push server answered HTTP 500", kNow);
            outbox.failed(seats.id, "the push server answered HTTP 500", kNow.addSecs(60));
            outbox.add(entry(Topic::Results, Form::SiteGet, "results"), kNow);
            outbox.drop(Topic::LoginWarning);
            QVERIFY(!outbox.contains(login.id));
        }
        Outbox again;
        QVERIFY(again.open(folder));
        QCOMPARE(texts(again), QStringList({"seats", "results"}));
        const OutboxEntry seats = again.waiting().first();
        QCOMPARE(seats.tries, 2);
        QCOMPARE(seats.lastReason, QString("the push server answered HTTP 500"));
        QCOMPARE(seats.nextTry, kNow.addSecs(60 + 2 * 60));
        QCOMPARE(again.due(kNow).size(), 1); // the results, never tried
        QCOMPARE(again.summary(), QString("2 alerts waiting to be sent: the push server answered HTTP 500"));
        // New entries never take the id of one that waits.
        const OutboxEntry next = again.add(entry(Topic::SiteNotice, Form::Push, "more"), kNow);
        QVERIFY(next.id > seats.id);
        again.delivered(seats.id);
        QCOMPARE(texts(again), QStringList({"results", "more"}));
    }

    // The tooltip and the status line give the reason of the last try,
    // whichever alert it was.
    void theReasonShownIsTheLastTrys()
    {
        Outbox outbox;
        const OutboxEntry mail = outbox.add(entry(Topic::Results, Form::Smtp, "mail"), kNow);
        const OutboxEntry push = outbox.add(entry(Topic::SiteNotice, Form::Push, "push"), kNow);
        outbox.failed(push.id, "the push server answered HTTP 500", kNow);
        outbox.failed(mail.id, "the mail server did not answer in time", kNow.addSecs(60));
        QCOMPARE(outbox.summary(), QString("2 alerts waiting to be sent: the mail server did not answer in time"));
    }

    // A second live sender never takes an alert another holds before the
    // lease ends, however stale its own view of the file; at the deadline,
    // or once the holder is gone, it may.
    void aLeaseHeldByALiveSenderHoldsUntilItsDeadline()
    {
        const QString folder = freshFolder("lease");
        const QString go = folder + "/go";
        QVERIFY(QFile(go).open(QIODevice::WriteOnly));
        Outbox outbox;
        QVERIFY(outbox.open(folder));
        const OutboxEntry mail = outbox.add(entry(Topic::Results, Form::Smtp, "mail"), kNow);
        const OutboxEntry push = outbox.add(entry(Topic::SiteNotice, Form::Push, "push"), kNow);
        const QDateTime until = kNow.addSecs(30);
        Sender other(senderArgs(folder, mail.id, until, kNow, go));
        QCOMPARE(other.line(), QString("ready"));
        QCOMPARE(other.line(), QString("taken"));
        // This outbox read the file before the lease: it must look again.
        QCOMPARE(outbox.lease(mail.id, kNow.addSecs(60), kNow.addSecs(1)), Outbox::Take::HeldElsewhere);
        QCOMPARE(outbox.lease(mail.id, kNow.addSecs(60), until.addMSecs(-1)), Outbox::Take::HeldElsewhere);
        {
            Outbox fresh;
            QVERIFY(fresh.open(folder));
            const QList<OutboxEntry> due = fresh.due(until.addMSecs(-1));
            QCOMPARE(due.size(), 1);
            QCOMPARE(due.first().id, push.id);
            QCOMPARE(fresh.waiting().size(), 2); // waiting still, not forgotten
        }
        // Its deadline passed: the holder is believed no longer.
        QCOMPARE(outbox.lease(mail.id, until.addSecs(60), until.addMSecs(1)), Outbox::Take::Taken);

        // A holder that is gone holds nothing.
        Sender gone(senderArgs(folder, push.id, until, kNow, go));
        QCOMPARE(gone.line(), QString("ready"));
        QCOMPARE(gone.line(), QString("taken"));
        QCOMPARE(outbox.lease(push.id, kNow.addSecs(60), kNow.addSecs(1)), Outbox::Take::HeldElsewhere);
        gone.end();
        QCOMPARE(outbox.lease(push.id, kNow.addSecs(60), kNow.addSecs(1)), Outbox::Take::Taken);

        // Delivered by another: gone, not "another program is sending it".
        Outbox::markDelivered(outbox.filePath(), push.id);
        QCOMPARE(outbox.lease(push.id, kNow.addSecs(60), kNow.addSecs(2)), Outbox::Take::Gone);
    }

    // Two live senders reach for the same alert at the same moment: one
    // takes it, the other is told it is held.
    void twoLiveSendersRaceAndOneTakesIt()
    {
        for (int round = 0; round < 5; ++round) {
            const QString folder = freshFolder(QString("race%1").arg(round));
            const QString go = folder + "/go";
            qint64 id = 0;
            {
                Outbox outbox;
                QVERIFY(outbox.open(folder));
                id = outbox.add(entry(Topic::Results, Form::Smtp, "mail"), kNow).id;
            }
            Sender a(senderArgs(folder, id, kNow.addSecs(30), kNow, go));
            Sender b(senderArgs(folder, id, kNow.addSecs(30), kNow, go));
            QCOMPARE(a.line(), QString("ready"));
            QCOMPARE(b.line(), QString("ready"));
            QVERIFY(QFile(go).open(QIODevice::WriteOnly));
            QStringList said{a.line(), b.line()};
            said.sort();
            QCOMPARE(said, QStringList({"held", "taken"}));
        }
    }

    // A session's alerts and the memory of what they tell are on disk
    // together, before any is tried.
    void aSessionIsKeptInOneTransaction()
    {
        const QString folder = freshFolder("keep");
        {
            Outbox outbox;
            QVERIFY(outbox.open(folder));
            const QList<OutboxEntry> kept = outbox.keep({entry(Topic::Results, Form::Smtp, "mail"),
                                                         entry(Topic::Seats, Form::Desktop, "note"),
                                                         entry(Topic::Seats, Form::Push, "push")},
                                                        "{\"told\":[1]}", kNow);
            QCOMPARE(kept.size(), 3);
            QCOMPARE(outbox.unstoredCount(), 0);
        }
        Outbox again;
        QVERIFY(again.open(folder));
        QCOMPARE(texts(again), QStringList({"mail", "note", "push"}));
        QCOMPARE(again.waiting()[1].describe(), QString("Seats found desktop note of 09/12/2026 10:00"));
        QCOMPARE(again.toldWaiting(), QByteArray("{\"told\":[1]}"));
        again.toldWritten();
        Outbox third;
        QVERIFY(third.open(folder));
        QVERIFY(third.toldWaiting().isEmpty());
    }

    // What the file cannot take is kept, leased and sent from memory (no
    // "another program is sending it"), said in the summary, and written
    // once the file can be.
    void whatTheFileCannotTakeIsKeptInMemoryAndWrittenLater()
    {
        const QString folder = freshFolder("unwritable") + "/data";
        QVERIFY(QFile(folder).open(QIODevice::WriteOnly)); // a file where the folder should be
        Outbox outbox;
        QVERIFY(outbox.open(folder));
        const QList<OutboxEntry> kept =
            outbox.keep({entry(Topic::Results, Form::Smtp, "mail"), entry(Topic::Seats, Form::Push, "push")},
                        "{}", kNow);
        QCOMPARE(outbox.count(), 2);
        QCOMPARE(outbox.unstoredCount(), 2);
        QCOMPARE(outbox.lease(kept[0].id, kNow.addSecs(60), kNow), Outbox::Take::Taken);
        outbox.failed(kept[0].id, "the mail server did not answer in time", kNow);
        QVERIFY2(outbox.summary().contains("kept in memory only"), qPrintable(outbox.summary()));
        QVERIFY(outbox.nextDue(kNow).isValid());
        QCOMPARE(outbox.toldWaiting(), QByteArray("{}"));
        // Room again.
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(outbox.writeUnstored());
        QCOMPARE(outbox.unstoredCount(), 0);
        Outbox again;
        QVERIFY(again.open(folder));
        QCOMPARE(texts(again), QStringList({"mail", "push"}));
        QCOMPARE(again.waiting()[0].tries, 1);
        QCOMPARE(again.toldWaiting(), QByteArray("{}"));
    }

    // An outbox of an older copy (no lease, no memory of what was told) is
    // read, and takes a session's alerts.
    void anOlderOutboxFileIsRead()
    {
        const QString folder = freshFolder("older");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "older");
            db.setDatabaseName(folder + "/outbox.sqlite");
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("CREATE TABLE outbox(id INTEGER PRIMARY KEY, topic INTEGER, form INTEGER, payload TEXT, "
                           "created TEXT, tries INTEGER, next_try TEXT, last_reason TEXT)"));
            QVERIFY(q.exec("INSERT INTO outbox VALUES(7, 0, 0, '{\"text\":\"old\"}', '2026-12-09T09:00:00.000', 1, "
                           "'2026-12-09T09:01:00.000', 'refused')"));
            db.close();
        }
        QSqlDatabase::removeDatabase("older");
        Outbox outbox;
        QVERIFY(outbox.open(folder));
        QCOMPARE(texts(outbox), QStringList({"old"}));
        outbox.keep({entry(Topic::Seats, Form::Push, "push")}, "{}", kNow);
        QCOMPARE(outbox.unstoredCount(), 0);
        QCOMPARE(outbox.lease(7, kNow.addSecs(60), kNow), Outbox::Take::Taken);
        Outbox again;
        QVERIFY(again.open(folder));
        QCOMPARE(texts(again), QStringList({"old", "push"}));
        QCOMPARE(again.toldWaiting(), QByteArray("{}"));
    }

    void thePauseGrowsToAnHour_data()
    {
        QTest::addColumn<int>("tries");
        QTest::addColumn<int>("minutes");
        QTest::newRow("first failure") << 1 << 1;
        QTest::newRow("second") << 2 << 2;
        QTest::newRow("third") << 3 << 4;
        QTest::newRow("sixth") << 6 << 32;
        QTest::newRow("seventh, at the hour") << 7 << 60;
        QTest::newRow("after a day") << 40 << 60;
    }
    void thePauseGrowsToAnHour()
    {
        QFETCH(int, tries);
        QFETCH(int, minutes);
        QCOMPARE(retryMinutes(tries), minutes);
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("OUTBOX_SENDER"))
        return runSender();
    TestOutbox test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_outbox.moc"
