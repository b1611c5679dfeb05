// Settings: defaults, key order, text forms, values that cannot be read, and
// one write of the whole file per save.
#include "app/TextConversions.h"
#include "app/Settings.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace zelvane;
using namespace zelvane::test;

namespace {

const QStringList kLoadOrder = {"MemberNo", "LastName", "Pin", "Mail", "Autostartup",
                                "ProgDirectory", "strCurrTime", "TimeMin", "TimeHou",
                                "TimeDay", "TimeIndex", "LastLoginTime", "MailSendType",
                                // After the first thirteen keys, which older copies read alone.
                                "SmtpHost", "SmtpPort", "SmtpSecurity", "SmtpUser", "SmtpFrom",
                                "SmtpPassword", "SiteUrl", "NotifyDesktop", "PushUrl",
                                "LoginFailTold", "AnnounceChangesOnly",
                                "SiteTroubleSince", "SiteTroubleChecks", "SiteTroubleTold",
                                "SiteTroubleReason", "UnreadablePagesSince", "UnreadablePagesChecks",
                                "UnreadablePagesTold", "UnreadablePagesKept", "WindowSize"};
const QStringList kSaveOrder = {"MemberNo", "LastName", "Pin", "ProgDirectory", "strCurrTime",
                                "Autostartup", "Mail", "TimeMin", "TimeHou", "TimeDay",
                                "TimeIndex", "LastLoginTime", "MailSendType", "SmtpHost",
                                "SmtpPort", "SmtpSecurity", "SmtpUser", "SmtpFrom", "SiteUrl",
                                "NotifyDesktop", "PushUrl", "LoginFailTold", "AnnounceChangesOnly",
                                "SiteTroubleSince", "SiteTroubleChecks", "SiteTroubleTold",
                                "SiteTroubleReason", "UnreadablePagesSince", "UnreadablePagesChecks",
                                "UnreadablePagesTold", "UnreadablePagesKept"};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

    VirtualClock clock{QDateTime(QDate(2026, 12, 8), QTime(10, 0, 30))};

private slots:
    void initTestCase()
    {
        // Regional forms are the user's; pin them so the texts are known.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::Australia));
    }

    void freshUserLoadsDefaultsInOrder()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/opt/zelvane");
        QVERIFY(s.load().ok());
        QCOMPARE(area.reads, kLoadOrder);
        QCOMPARE(s.member->number, 0.0);
        QCOMPARE(s.member->surname, QString());
        QCOMPARE(s.member->pinText(), QString("0"));
        QCOMPARE(s.member->email, QString());
        QVERIFY(s.member->missing());
        QCOMPARE(s.start->autoStart, qint16(1));
        QCOMPARE(s.start->programDirectory, QString("/opt/zelvane"));
        QCOMPARE(s.schedule->everyHours, 0); // none chosen yet
        QCOMPARE(s.schedule->lastSessionTime, clock.now());
        QCOMPARE(s.schedule->lastLoginTime, zeroDate()); // no login yet
        QCOMPARE(*s.mailPolicy, MailPolicy::Always);
        QCOMPARE(*s.channels, AlertChannels());
        QCOMPARE(*s.told, Told());
        // The units no longer offered keep their defaults in the file.
        QVERIFY(s.save().ok());
        QCOMPARE(area.values["TimeMin"], QString("10"));
        QCOMPARE(area.values["TimeHou"], QString("0"));
        QCOMPARE(area.values["TimeDay"], QString("1"));
        QCOMPARE(area.values["TimeIndex"], QString("1"));
    }

    void saveWritesEveryKeyInOrderAsText()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/opt/zelvane");
        QSignalSpy memberChanged(&s.member, &SettingsChange::changed);
        // A change is written as the event loop turns, every key in order.
        s.member.change([](Member& m) {
            m.number = 1234567890;
            m.surname = "Smith";
            m.pin = 4321;
            m.email = "a@b.com";
        });
        QCOMPARE(memberChanged.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(area.writes, kSaveOrder);
        QCOMPARE(area.values["MemberNo"], QString("1234567890"));
        QCOMPARE(area.values["Pin"], QString("4321"));
        // The same value again is no change and writes nothing.
        area.writes.clear();
        s.member.set(*s.member);
        QCoreApplication::processEvents();
        QCOMPARE(memberChanged.count(), 1);
        QVERIFY(area.writes.isEmpty());

        s.schedule.change([](Schedule& t) {
            t.everyHours = 24;
            t.lastSessionTime = QDateTime(QDate(2026, 3, 4), QTime(17, 5, 9));
        });
        QCoreApplication::processEvents();
        QCOMPARE(area.values["TimeHou"], QString("24"));
        QCOMPARE(area.values["TimeIndex"], QString("1"));
        QCOMPARE(area.values["strCurrTime"], QString("2026-03-04T17:05:09"));
        // No password in the file unless the secret store did not take it.
        QVERIFY(!area.values.contains("SmtpPassword"));
        s.channels.change([](AlertChannels& c) { c.smtpPassword = "app password"; });
        QCoreApplication::processEvents();
        QCOMPARE(area.values["SmtpPassword"], QString("app password"));
        s.channels.change([](AlertChannels& c) { c.smtpPassword.clear(); });
        QCoreApplication::processEvents();
        QVERIFY(!area.values.contains("SmtpPassword"));
    }

    // A hand-edited alert key that does not read back takes its default and
    // never stops the load: the check still runs.
    void alertKeysReadBackOrTakeTheirDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("loaded");
        QTest::newRow("port") << "SmtpPort" << "465" << 465;
        QTest::newRow("port above 32767") << "SmtpPort" << "40025" << 40025;
        QTest::newRow("port above 65535") << "SmtpPort" << "65536" << 587;
        QTest::newRow("port not a number") << "SmtpPort" << "smtp" << 587;
        QTest::newRow("port zero") << "SmtpPort" << "0" << 587;
        QTest::newRow("security TLS") << "SmtpSecurity" << "2" << 2;
        QTest::newRow("security none") << "SmtpSecurity" << "0" << 0;
        QTest::newRow("security unknown") << "SmtpSecurity" << "3" << 1;
        QTest::newRow("notifications off") << "NotifyDesktop" << "0" << 0;
        QTest::newRow("notifications garbled") << "NotifyDesktop" << "yes" << 1;
        QTest::newRow("changes only") << "AnnounceChangesOnly" << "1" << 1;
        QTest::newRow("changes only garbled") << "AnnounceChangesOnly" << "2" << 0;
    }
    void alertKeysReadBackOrTakeTheirDefault()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(int, loaded);
        MemorySettingsArea area;
        area.values[key] = stored;
        area.values["MailSendType"] = "1";
        Settings s(area, clock, "/opt/zelvane");
        QVERIFY(s.load().ok());
        const AlertChannels& c = *s.channels;
        const QMap<QString, int> numbers{{"SmtpPort", c.smtpPort},
                                         {"SmtpSecurity", int(c.smtpSecurity)},
                                         {"NotifyDesktop", int(c.notifyDesktop)},
                                         {"AnnounceChangesOnly", int(c.announceChangesOnly)}};
        QCOMPARE(numbers.value(key), loaded);
        QCOMPARE(*s.mailPolicy, MailPolicy::IfAvailable);
    }

    // The main window's size and state read back as written; anything else
    // is no size, never a failed load, and is not written back.
    void windowSizeReadsBackOrIsNone_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QSize>("size");
        QTest::newRow("a size") << "1180x720" << QSize(1180, 720);
        QTest::newRow("maximised") << "1180x720 maximised" << QSize(1180, 720);
        QTest::newRow("one side") << "1180 maximised" << QSize();
        QTest::newRow("not numbers") << "wide x tall" << QSize();
        QTest::newRow("no width") << "0x720" << QSize();
    }
    void windowSizeReadsBackOrIsNone()
    {
        QFETCH(QString, stored);
        QFETCH(QSize, size);
        MemorySettingsArea area;
        area.values["WindowSize"] = stored;
        Settings s(area, clock, "/opt/zelvane");
        QVERIFY(s.load().ok());
        QCOMPARE(s.window->size, size);
        QCOMPARE(s.window->maximised, size.isValid() && stored.endsWith("maximised"));
        area.values.clear();
        QVERIFY(s.save().ok());
        QCOMPARE(area.values.value("WindowSize", "none"), size.isValid() ? stored : QString("none"));
    }

    void saveBeforeAnyLoadWritesZeroValuesAndZeroDate()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/opt/zelvane");
        QVERIFY(s.save().ok());
        QCOMPARE(area.values["MemberNo"], QString("0"));
        QCOMPARE(area.values["Pin"], QString("0"));
        QCOMPARE(area.values["LastName"], QString());
        QCOMPARE(area.values["LastLoginTime"], QString("1899-12-30T00:00:00"));
        // ... and what it wrote loads again.
        Settings back(area, clock, "/x");
        QVERIFY(back.load().ok());
        QCOMPARE(back.schedule->lastLoginTime, zeroDate());
    }

    // A file is read wherever the program runs next: dates an older copy
    // kept in one region's form (a desktop in Australia) load under another
    // (cron under C, a desktop in the US or Germany). A value no form reads
    // is named and written back as stored, never a default over it, until a
    // new value takes its place; the keys after it load all the same.
    void storedValuesLoadInAnyRegionOrAreKept_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("region"); // where the file is read
        QTest::addColumn<QDateTime>("read"); // the session time it loads as; none: no form reads it
        const QDateTime afternoon(QDate(2026, 12, 8), QTime(17, 28, 43)), none;
        QTest::newRow("Australian, under C") << "strCurrTime" << "8/12/2026 5:28:43 PM" << "C" << afternoon;
        QTest::newRow("C, in the US") << "strCurrTime" << "8 Dec 2026 17:28:43" << "en_US" << afternoon;
        QTest::newRow("German, in Australia") << "strCurrTime" << "08.12.2026 17:28:43" << "en_AU" << afternoon;
        QTest::newRow("American, under C")
            << "strCurrTime" << "12/25/2026 5:28:43 PM" << "C" << QDateTime(QDate(2026, 12, 25), QTime(17, 28, 43));
        QTest::newRow("Australian midnight, in the US")
            << "strCurrTime" << "31/1/2026" << "en_US" << QDateTime(QDate(2026, 1, 31), QTime(0, 0));
        QTest::newRow("ISO, in Germany") << "strCurrTime" << "2026-12-08T17:28:43" << "de_DE" << afternoon;
        QTest::newRow("session time no form reads") << "strCurrTime" << "gestern 17:28" << "de_DE" << none;
        QTest::newRow("last login no form reads") << "LastLoginTime" << "8.12.26 um 17:28" << "C" << none;
        QTest::newRow("hours") << "TimeHou" << "twelve" << "en_AU" << none;
        QTest::newRow("minutes") << "TimeMin" << "ten" << "en_AU" << none;
        QTest::newRow("PIN out of range") << "Pin" << "32768" << "en_AU" << none;
    }
    void storedValuesLoadInAnyRegionOrAreKept()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(QString, region);
        QFETCH(QDateTime, read);
        QLocale::setDefault(QLocale(region));
        const auto restore = qScopeGuard([this] { initTestCase(); });
        MemorySettingsArea area;
        area.values = {{"MemberNo", "111"}, {"TimeHou", "24"}, {"MailSendType", "2"}, {"PushUrl", "https://ntfy.example/seats"}};
        area.values[key] = stored;
        Settings s(area, clock, "/p");
        QCOMPARE(s.load().message(),
                 read.isValid() ? QString() : "The setting " + key + " could not be read; it is kept as it was.");
        if (read.isValid())
            QCOMPARE(s.schedule->lastSessionTime, read);
        QCOMPARE(*s.mailPolicy, MailPolicy::Never);
        QCOMPARE(s.channels->pushUrl, QString("https://ntfy.example/seats"));

        s.channels.change([](AlertChannels& c) { c.notifyDesktop = false; });
        QVERIFY(s.save().ok());
        if (!read.isValid())
            QCOMPARE(area.values[key], stored);
        QCOMPARE(area.values["MailSendType"], QString("2"));
        s.schedule.change([](Schedule& t) { t.lastSessionTime = QDateTime(QDate(2026, 12, 9), QTime(6, 0)); });
        QVERIFY(s.save().ok());
        QCOMPARE(area.values["strCurrTime"], QString("2026-12-09T06:00:00"));
    }

    // What changes together (a session's end sets the times, what was told
    // and the alert keys) reaches the file in one write, after the changes.
    void changesMadeTogetherAreWrittenOnce()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/p");
        s.schedule.change([](Schedule& t) { t.lastLoginTime = QDateTime(QDate(2026, 12, 8), QTime(10, 1, 2)); });
        s.told.change([](Told& t) { t.loginFailure = true; });
        s.channels.change([](AlertChannels& c) { c.smtpHost = "smtp.example.com"; });
        QCoreApplication::processEvents();
        QCOMPARE(area.commits, 1);
        QCOMPARE(area.values["LastLoginTime"], QString("2026-12-08T10:01:02"));
        QCOMPARE(area.values["LoginFailTold"], QString("1"));
        QCOMPARE(area.values["SmtpHost"], QString("smtp.example.com"));
    }

    // A write the store refuses changes nothing in it and says why.
    void aRefusedWriteChangesNothing()
    {
        MemorySettingsArea area;
        area.refuseKey = "strCurrTime";
        Settings s(area, clock, "/opt/zelvane");
        QSignalSpy told(&s, &Settings::problem);
        const SettingsStatus st = s.save();
        QCOMPARE(st.message(), QString("The settings could not be saved: strCurrTime is refused; the file keeps what it had."));
        QVERIFY(area.writes.isEmpty());
        QCOMPARE(told.count(), 1);
    }

    void numbersReadTheForgivingWay_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<double>("memberNo");
        QTest::newRow("blanks between digits") << "12 34 56" << 123456.0;
        QTest::newRow("letter among digits") << "123A45" << 123.0;
        QTest::newRow("leading blanks and sign") << "  -42" << -42.0;
        QTest::newRow("one decimal point") << "1.5.7" << 1.5;
        QTest::newRow("no number") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
    }
    void numbersReadTheForgivingWay()
    {
        QFETCH(QString, stored);
        QFETCH(double, memberNo);
        MemorySettingsArea area;
        area.values["MemberNo"] = stored;
        Settings s(area, clock, "/p");
        QVERIFY(s.load().ok());
        QCOMPARE(s.member->number, memberNo);
    }

    // The reader takes no exponent, so what a save writes must not need one.
    void memberNumberReadsBackAsSaved_data()
    {
        QTest::addColumn<double>("memberNo");
        QTest::newRow("ten digits") << 1234567890.0;
        QTest::newRow("twenty digits") << 12345678901234567890.0;
        QTest::newRow("thirty-one digits") << 1.234567e30;
        QTest::newRow("tiny fraction") << 0.00001;
    }
    void memberNumberReadsBackAsSaved()
    {
        QFETCH(double, memberNo);
        MemorySettingsArea area;
        Settings s(area, clock, "/p");
        s.member.change([memberNo](Member& m) { m.number = memberNo; });
        QCoreApplication::processEvents();
        Settings back(area, clock, "/p");
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->number, memberNo);
    }

    void pinRoundsHalfToEvenAndRefusesOutOfRange_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("pin");
        QTest::newRow("2.5 to 2") << "2.5" << true << 2;
        QTest::newRow("3.5 to 4") << "3.5" << true << 4;
        QTest::newRow("-2.5 to -2") << "-2.5" << true << -2;
        QTest::newRow("2.51 to 3") << "2.51" << true << 3;
        QTest::newRow("32767 fits") << "32767" << true << 32767;
        QTest::newRow("32768 fails") << "32768" << false << 0;
    }
    void pinRoundsHalfToEvenAndRefusesOutOfRange()
    {
        QFETCH(QString, stored);
        QFETCH(bool, ok);
        QFETCH(int, pin);
        MemorySettingsArea area;
        area.values["Pin"] = stored;
        area.values["Mail"] = "m@x";
        Settings s(area, clock, "/p");
        const SettingsStatus st = s.load();
        QCOMPARE(st.ok(), ok);
        QCOMPARE(int(s.member->pin), pin);
        if (!ok)
            QCOMPARE(st.unreadKeys, QStringList{"Pin"});
        QCOMPARE(s.member->email, QString("m@x")); // later keys load all the same
    }

    void pinKeepsTheDigitsAsTyped()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/p");
        s.member.change([](Member& m) { QVERIFY(m.setPinText("0123")); });
        QCoreApplication::processEvents();
        QCOMPARE(s.member->pin, qint16(123));
        QCOMPARE(area.values["Pin"], QString("0123"));

        Settings back(area, clock, "/p");
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->pin, qint16(123));
        QCOMPARE(back.member->pinText(), QString("0123"));

        // A PIN stored by an older release as its plain number still loads.
        area.values["Pin"] = "4567";
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->pinText(), QString("4567"));
        area.values["Pin"] = "12.5";
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->pinText(), QString("12"));

        // Code that sets the number directly is not contradicted by old digits.
        Member m = *back.member;
        m.pin = 99;
        QCOMPARE(m.pinText(), QString("99"));
        QVERIFY(!m.setPinText("12a"));
        QCOMPARE(m.pin, qint16(99));
    }

    void strictIntegersRefuseText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("blanks around") << "  24 " << true << 24;
        QTest::newRow("fraction half even") << "12.5" << true << 12;
        QTest::newRow("letters") << "24 Hours" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("too large") << "40000" << false << 0;
    }
    void strictIntegersRefuseText()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        const auto v = strictInt16(text);
        QCOMPARE(v.has_value(), ok);
        if (ok)
            QCOMPARE(int(*v), value);
    }

    // Kept as ISO 8601 to the second, which every region reads back.
    void dateTimesAreKeptAsIsoToTheSecond()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/p");
        s.schedule.change([](Schedule& t) {
            t.lastSessionTime = QDateTime(QDate(2026, 1, 31), QTime(0, 0));
            t.lastLoginTime = QDateTime(QDate(2026, 12, 25), QTime(23, 59, 58, 700));
        });
        QCoreApplication::processEvents();
        QCOMPARE(area.values["strCurrTime"], QString("2026-01-31T00:00:00"));
        QCOMPARE(area.values["LastLoginTime"], QString("2026-12-25T23:59:58"));
        QVERIFY(!parseStoredDateTime(QString("not a date")).has_value());
    }

    // In every region a store with no keys loads, and what is saved loads back
    // to the second, morning and afternoon, with the keys after it intact.
    void dateTimesSurviveEveryRegion_data()
    {
        QTest::addColumn<QLocale>("locale");
        int i = 0;
        for (const QLocale& l : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                         QLocale::AnyTerritory))
            QTest::addRow("%d %s", i++, qPrintable(l.name())) << l;
    }
    void dateTimesSurviveEveryRegion()
    {
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([this] { initTestCase(); });
        MemorySettingsArea area;
        VirtualClock afternoon{QDateTime(QDate(2026, 12, 8), QTime(17, 28, 43))};
        Settings s(area, afternoon, "/p");
        QCOMPARE(s.load().unreadKeys, QStringList());
        for (const QDateTime& t : {QDateTime(QDate(2027, 1, 5), QTime(9, 5, 7)), afternoon.now()}) {
            s.schedule.change([&t](Schedule& times) { times.lastSessionTime = times.lastLoginTime = t; });
            s.mailPolicy.set(MailPolicy::Never);
            QCoreApplication::processEvents();
            Settings back(area, afternoon, "/p");
            QCOMPARE(back.load().unreadKeys, QStringList());
            QCOMPARE(back.schedule->lastSessionTime, t);
            QCOMPARE(*back.mailPolicy, MailPolicy::Never);
        }
    }

    // Whatever the user types reads back as typed, the file and its folder
    // are the user's alone (an older folder open to others included), and
    // keys a newer copy wrote stay.
    void nativeAreaRoundTripsAndIsPrivate_data()
    {
        QTest::addColumn<QString>("surname");
        QTest::newRow("the reader's own marks") << R"(@Invalid(); O'Neil, Jr = "the \ one")";
        QTest::newRow("blanks around") << "  Smith ";
        QTest::newRow("control characters, other scripts") << QString("Smith\n\t") + QChar(1) + "Bc Müller 山田";
        QTest::newRow("empty") << "";
    }
    void nativeAreaRoundTripsAndIsPrivate()
    {
        QFETCH(QString, surname);
        freshHome();
        const QString path = NativeSettingsArea().fileName();
        writeFile(path, "[Settings]\nLaterKey=kept, as written\n\n[Later]\nMore=1\n");
        QVERIFY(QFile::setPermissions(QFileInfo(path).path(), QFileDevice::Permissions(0x7755)));
        {
            NativeSettingsArea area;
            Settings s(area, clock, "/p");
            s.load();
            s.member.change([&surname](Member& m) {
                m.number = 1234567;
                m.surname = surname;
            });
        }
        for (const QString& made : {QFileInfo(path).path(), path})
            QVERIFY2(!(QFileInfo(made).permissions() & (QFile::ReadGroup | QFile::ReadOther)), qPrintable(made));
        NativeSettingsArea again;
        Settings back(again, clock, "/q");
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->surname, surname);
        QCOMPARE(back.start->programDirectory, QString("/p"));
        QSettings file(path, QSettings::IniFormat);
        QCOMPARE(file.value("Settings/LaterKey").toStringList(), QStringList({"kept", "as written"}));
        QCOMPARE(file.value("Later/More").toString(), QString("1"));
    }

    // A disk that fills up while the settings are written leaves the last
    // good file as it was and says so; the next save writes what waited.
    void aFullDiskKeepsTheLastGoodFile()
    {
        freshHome();
        NativeSettingsArea area;
        Settings s(area, clock, "/p");
        QVERIFY(s.save().ok());
        const QByteArray good = readFile(area.fileName());
        s.member.change([](Member& m) { m.surname = QString(4000, u'x'); });
        // The file may grow no further: the write fails part way, as on a full disk.
        rlimit room{}, full{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &room), 0);
        full = {rlim_t(good.size() + 100), room.rlim_max};
        const auto signal = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        const QString said = s.save().message();
        setrlimit(RLIMIT_FSIZE, &room);
        std::signal(SIGXFSZ, signal);
        QVERIFY2(said.startsWith("The settings could not be saved: "), qPrintable(said));
        QCOMPARE(readFile(area.fileName()), good);
        s.saveWaiting();
        QVERIFY(readFile(area.fileName()).contains(QString(4000, u'x').toUtf8()));
    }

    // A hand edit that leaves the file unreadable in places must not make
    // every later save fail: the member details typed next would be lost.
    void handEditedFileThatDoesNotParseStillSaves()
    {
        freshHome();
        const QString path = NativeSettingsArea().fileName();
        writeFile(path, "[Settings\nMemberNo=1234567\n[Settings]\nLastName=Smith\n");
        {
            NativeSettingsArea area;
            Settings s(area, clock, "/p");
            s.load();
            s.member.change([](Member& m) {
                m.surname = "Jones";
                m.setPinText("4321");
            });
        }
        NativeSettingsArea again;
        Settings back(again, clock, "/p");
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->surname, QString("Jones"));
        QCOMPARE(back.member->pinText(), QString("4321"));
        QVERIFY(!(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther)));
    }

    // Whatever a file holds, the PIN it loads with is the PIN a save of it
    // writes: loaded, taken back as the PIN and saved, it loads the same.
    void storedPinReadsBackAfterASave_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("pin");
        QTest::addColumn<QString>("text");
        QTest::newRow("negative, section unclosed") << QByteArray("[Settings\nPin=-5") << -5 << "-5";
        QTest::newRow("negative fraction") << QByteArray("[Settings]\nPin=-2.5\n") << -2 << "-2";
        QTest::newRow("leading zeros") << QByteArray("[Settings]\nPin=0042\n") << 42 << "0042";
        QTest::newRow("fraction") << QByteArray("[Settings]\nPin=12.5\n") << 12 << "12";
        QTest::newRow("lowest") << QByteArray("[Settings]\nPin=-32768\n") << -32768 << "-32768";
    }
    void storedPinReadsBackAfterASave()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, pin);
        QFETCH(QString, text);
        freshHome();
        writeFile(NativeSettingsArea().fileName(), file);
        {
            NativeSettingsArea area;
            Settings s(area, clock, "/p");
            QVERIFY(s.load().ok());
            QCOMPARE(int(s.member->pin), pin);
            QCOMPARE(s.member->pinText(), text);
            Member m = *s.member;
            QVERIFY(m.setPinText(m.pinText()));
            s.member.set(m);
            QVERIFY(s.save().ok());
        }
        NativeSettingsArea again;
        Settings back(again, clock, "/p");
        QVERIFY(back.load().ok());
        QCOMPARE(int(back.member->pin), pin);
        QCOMPARE(back.member->pinText(), text);
    }

    // A file an earlier release wrote loads and saves byte for byte as that
    // release saved it, but for its dates, now in ISO 8601: every key, or the
    // first thirteen alone with the interval in units no longer offered, a
    // mail choice this copy does not know and a negative PIN.
    void olderFilesSaveAsTheyDid_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("everyHours");
        QTest::newRow("every key") << "settings-every-key" << 24;
        QTest::newRow("thirteen keys, minutes") << "settings-thirteen-keys" << 0;
    }
    void olderFilesSaveAsTheyDid()
    {
        QFETCH(QString, name);
        QFETCH(int, everyHours);
        freshHome();
        const QString data = QFINDTESTDATA("data/" + name + ".conf");
        const QString path = NativeSettingsArea().fileName();
        QDir().mkpath(QFileInfo(path).path());
        QVERIFY(QFile::copy(data, path));
        NativeSettingsArea area;
        Settings s(area, clock, "/opt/zelvane");
        QVERIFY(s.load().ok());
        QCOMPARE(s.schedule->everyHours, everyHours);
        QVERIFY(s.save().ok());
        QCOMPARE(readFile(path), readFile(QFINDTESTDATA("data/" + name + ".saved")));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
