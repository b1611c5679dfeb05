// The mail server's password in the desktop's secret store (gnome-keyring,
// unlocked on a session bus of the test's own), never in the settings file;
// and the settings file where no store answers.
#include "app/SettingsArea.h"
#include "app/Settings.h"
#include "notify/SecretStore.h"
#include "support/TestSupport.h"

#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;
using namespace std::chrono_literals;

class TestSecretStore : public QObject {
    Q_OBJECT

    VirtualClock clock;

private slots:
    void initTestCase()
    {
        // The home is not emptied: the keyring lives in it.
        if (qEnvironmentVariableIsEmpty("ZELVANE_TEST_KEYRING"))
            QSKIP("needs an unlocked secret store: run through CTest (with_session_bus.sh --keyring)");
    }

    void passwordGoesToTheStoreNotTheFile()
    {
        NativeSettingsArea area;
        Settings settings(area, clock, freshFolder("program"));
        settings.channels.change([](AlertChannels& c) {
            c.smtpUser = "member@example.com";
            c.smtpPassword = "left from before";
        });
        QVERIFY(settings.save().ok());
        QVERIFY(readFile(area.fileName()).contains("SmtpPassword"));
        const SecretChange probe = QCoro::waitFor(writeSecret(kSmtpPasswordSecret, "probe", 10s));
        QVERIFY2(probe.done, qPrintable(probe.error));
        QCOMPARE(QCoro::waitFor(storeSmtpPassword(settings.channels, "app pässword 1", 10s)), PasswordPlace::Store);
        QVERIFY(settings.save().ok());
        const QByteArray file = readFile(area.fileName());
        QVERIFY(file.contains("SmtpUser"));
        QVERIFY(!file.contains("SmtpPassword"));
        QVERIFY(!file.contains("pässword"));

        Settings later(area, clock, freshFolder("program"));
        QVERIFY(later.load().ok());
        const SmtpPassword read = QCoro::waitFor(smtpPassword(*later.channels, 10s));
        QCOMPARE(read.password, QString("app pässword 1"));
        QCOMPARE(read.problem, QString());
    }

    // Saved to the settings file while no store answered, the password is
    // newer than the one the store still keeps: the next use takes the file's
    // and removes the store's, which would otherwise be refused as wrong.
    void aPasswordSavedWhileTheStoreWasDownWins()
    {
        const SecretChange older = QCoro::waitFor(writeSecret(kSmtpPasswordSecret, "older", 10s));
        QVERIFY2(older.done, qPrintable(older.error));
        QVERIFY(storeless("--save-while-down"));

        NativeSettingsArea area;
        Settings later(area, clock, freshFolder("program"));
        QVERIFY(later.load().ok());
        QCOMPARE(later.channels->smtpPassword, QString("newer"));
        const SmtpPassword used = QCoro::waitFor(smtpPassword(*later.channels, 10s));
        QCOMPARE(used.password, QString("newer"));
        const SecretRead store = QCoro::waitFor(readSecret(kSmtpPasswordSecret, 10s));
        QVERIFY(store.answered);
        QCOMPARE(store.secret, QString());
    }

    void withoutAStoreTheFileKeepsIt()
    {
        QVERIFY(storeless("--fallback"));
    }

private:
    // Runs this program with `mode` where the bus, and so every store, is
    // out of its view.
    static bool storeless(const char* mode)
    {
        QProcess check;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        check.setProcessEnvironment(env);
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode)});
        const bool ended = check.waitForFinished(60000);
        if (!ended || check.exitCode() != 0)
            qWarning() << mode << "failed:" << check.exitCode() << check.readAll();
        return ended && check.exitCode() == 0;
    }
};

// The fallback runs in a process of its own, whose D-Bus never connected.
int fallback(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    VirtualClock clock;
    MemorySettingsArea area;
    Settings settings(area, clock, QString());
    settings.channels.change([&](AlertChannels& c) { c.smtpUser = "member"; });
    if (QCoro::waitFor(storeSmtpPassword(settings.channels, "kept here", 10s)) != PasswordPlace::File) {
        std::fputs("a store answered\n", stdout);
        return 1;
    }
    settings.save();
    if (area.values.value("SmtpPassword") != "kept here")
        return 2;
    const SmtpPassword read = QCoro::waitFor(smtpPassword(*settings.channels, 10s));
    if (read.password != "kept here")
        return 3;
    settings.channels.change([](AlertChannels& c) { c.smtpPassword.clear(); });
    const SmtpPassword none = QCoro::waitFor(smtpPassword(*settings.channels, 10s));
    std::fputs(qPrintable(none.problem + "\n"), stdout);
    return none.problem.startsWith("no password for the mail server: the secret store did not answer")
               ? 0 : 4;
}

// Saves a password while no store answers, into the settings file that the
// test reads afterwards.
int saveWhileDown(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    VirtualClock clock;
    NativeSettingsArea area;
    Settings settings(area, clock, QString());
    if (!settings.load().ok())
        return 1;
    settings.channels.change([&](AlertChannels& c) { c.smtpUser = "member@example.com"; });
    if (QCoro::waitFor(storeSmtpPassword(settings.channels, "newer", 10s)) != PasswordPlace::File)
        return 2;
    return settings.save().ok() ? 0 : 3;
}

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--fallback") == 0)
        return fallback(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "--save-while-down") == 0)
        return saveWhileDown(argc, argv);
    QCoreApplication app(argc, argv);
    TestSecretStore t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_secret_store.moc"
