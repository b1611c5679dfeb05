// The outbox: what waits survives a restart, a newer alert replaces only what
// it makes obsolete, and the pause between tries grows to an hour.
#include "notify/Outbox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtTest>

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

QTEST_GUILESS_MAIN(TestOutbox)
#include "test_outbox.moc"
