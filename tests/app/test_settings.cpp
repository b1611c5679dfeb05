// Settings: defaults, key order, text forms and the stop-at-first-failure rule.
#include "app/TextConversions.h"
#include "app/Settings.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

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
        // A change is written at once, every key in order.
        s.member.change([](Member& m) {
            m.number = 1234567890;
            m.surname = "Smith";
            m.pin = 4321;
            m.email = "a@b.com";
        });
        QCOMPARE(memberChanged.count(), 1);
        QCOMPARE(area.writes, kSaveOrder);
        QCOMPARE(area.values["MemberNo"], QString("1234567890"));
        QCOMPARE(area.values["Pin"], QString("4321"));
        // The same value again is no change and writes nothing.
        area.writes.clear();
        s.member.set(*s.member);
        QCOMPARE(memberChanged.count(), 1);
        QVERIFY(area.writes.isEmpty());

        s.schedule.change([](Schedule& t) {
            t.everyHours = 24;
            t.lastSessionTime = QDateTime(QDate(2026, 3, 4), QTime(17, 5, 9));
        });
        QCOMPARE(area.values["TimeHou"], QString("24"));
        QCOMPARE(area.values["TimeIndex"], QString("1"));
        QCOMPARE(area.values["strCurrTime"], QString("4/3/2026 5:05:09 PM"));
        // No password in the file unless the secret store did not take it.
        QVERIFY(!area.values.contains("SmtpPassword"));
        s.channels.change([](AlertChannels& c) { c.smtpPassword = "app password"; });
        QCOMPARE(area.values["SmtpPassword"], QString("app password"));
        s.channels.change([](AlertChannels& c) { c.smtpPassword.clear(); });
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
        QCOMPARE(area.values["LastLoginTime"], QString("30/12/1899"));
        // ... and what it wrote loads again.
        Settings back(area, clock, "/x");
        QVERIFY(back.load().ok());
        QCOMPARE(back.schedule->lastLoginTime, zeroDate());
    }

    void loadStopsAtFirstValueItCannotConvert()
    {
        MemorySettingsArea area;
        area.values = {{"MemberNo", "111"}, {"LastName", "Jones"}, {"Pin", "22"},
                       {"Mail", "j@x.org"}, {"Autostartup", "0"}, {"ProgDirectory", "/p"},
                       {"strCurrTime", "1/2/2026 3:04:05 am"}, {"TimeMin", "ten"},
                       {"TimeHou", "12"}, {"TimeDay", "3"}, {"MailSendType", "2"}};
        Settings s(area, clock, "/opt/zelvane");
        const SettingsStatus st = s.load();
        QCOMPARE(st.failedKey, QString("TimeMin"));
        QCOMPARE(s.member->number, 111.0);
        QCOMPARE(s.member->surname, QString("Jones"));
        QCOMPARE(s.member->pin, qint16(22));
        QCOMPARE(s.member->email, QString("j@x.org"));
        QCOMPARE(s.start->autoStart, qint16(0));
        QCOMPARE(s.start->programDirectory, QString("/p"));
        QCOMPARE(s.schedule->lastSessionTime, QDateTime(QDate(2026, 2, 1), QTime(3, 4, 5)));
        QCOMPARE(s.schedule->everyHours, 0); // TimeHou was never reached
        QCOMPARE(*s.mailPolicy, MailPolicy::Always);
        QCOMPARE(area.reads.last(), QString("TimeMin"));
    }

    void saveStopsAtFirstKeyItCannotWrite()
    {
        MemorySettingsArea area;
        area.refuseKey = "strCurrTime";
        Settings s(area, clock, "/opt/zelvane");
        const SettingsStatus st = s.save();
        QCOMPARE(st.failedKey, QString("strCurrTime"));
        QCOMPARE(area.writes, kSaveOrder.mid(0, 4));
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
        if (!ok) {
            QCOMPARE(st.failedKey, QString("Pin"));
            QCOMPARE(s.member->email, QString()); // later keys untouched
        }
    }

    void pinKeepsTheDigitsAsTyped()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/p");
        s.member.change([](Member& m) { QVERIFY(m.setPinText("0123")); });
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

    void dateTimesKeepTheSecondAndMidnightIsTheDateAlone()
    {
        MemorySettingsArea area;
        Settings s(area, clock, "/p");
        s.schedule.change([](Schedule& t) {
            t.lastSessionTime = QDateTime(QDate(2026, 1, 31), QTime(0, 0));
            t.lastLoginTime = QDateTime(QDate(2026, 12, 25), QTime(23, 59, 58));
        });
        QCOMPARE(area.values["strCurrTime"], QString("31/1/2026"));
        QCOMPARE(area.values["LastLoginTime"], QString("25/12/2026 11:59:58 PM"));

        Settings back(area, clock, "/p");
        QVERIFY(back.load().ok());
        QCOMPARE(*back.schedule, *s.schedule);

        // Another region reads its own form back just as well.
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        const QDateTime t(QDate(2031, 7, 4), QTime(6, 7, 8));
        QCOMPARE(parseGeneralDateTime(generalDateTimeText(t, us), us), t);
        QVERIFY(!parseGeneralDateTime(QString("not a date")).has_value());
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
        QCOMPARE(s.load().failedKey, QString());
        for (const QDateTime& t : {QDateTime(QDate(2027, 1, 5), QTime(9, 5, 7)), afternoon.now()}) {
            s.schedule.change([&t](Schedule& times) { times.lastSessionTime = times.lastLoginTime = t; });
            s.mailPolicy.set(MailPolicy::Never);
            Settings back(area, afternoon, "/p");
            QCOMPARE(back.load().failedKey, QString());
            QCOMPARE(back.schedule->lastSessionTime, t);
            QCOMPARE(*back.mailPolicy, MailPolicy::Never);
        }
    }

    void nativeAreaRoundTripsAndIsPrivate()
    {
        freshHome();
        NativeSettingsArea area;
        Settings s(area, clock, "/p");
        QVERIFY(s.load().ok());
        s.member.change([](Member& m) {
            m.surname = "O'Neil, Jr";
            m.setPinText("0042");
        });
        QVERIFY(area.fileName().contains("Zelvapp/Zelvapp.conf"));
        const auto perms = QFileInfo(area.fileName()).permissions();
        QVERIFY(perms & QFile::ReadOwner);
        QVERIFY(!(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther
                           | QFile::WriteOther)));

        NativeSettingsArea again;
        Settings back(again, clock, "/q");
        QVERIFY(back.load().ok());
        QCOMPARE(back.member->surname, QString("O'Neil, Jr"));
        QCOMPARE(back.member->pinText(), QString("0042"));
        QCOMPARE(back.start->programDirectory, QString("/p"));
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
    // release saved it: every key, or the first thirteen alone with the
    // interval in units no longer offered, a mail choice this copy does not
    // know and a negative PIN.
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
