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
        settings.smtpUser = "member@example.com";
        settings.smtpPassword = "left from before";
        const std::optional<QString> refused =
            QCoro::waitFor(writeSecret(kSmtpPasswordSecret, "probe", 10s));
        QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        QVERIFY(QCoro::waitFor(storeSmtpPassword(settings, "app pässword 1", 10s)));
        QVERIFY(settings.save().ok());
        const QByteArray file = readFile(area.fileName());
        QVERIFY(file.contains("SmtpUser"));
        QVERIFY(!file.contains("SmtpPassword"));
        QVERIFY(!file.contains("pässword"));

        Settings later(area, clock, freshFolder("program"));
        QVERIFY(later.load().ok());
        const SmtpPassword read = QCoro::waitFor(smtpPassword(later, 10s));
        QCOMPARE(read.password, QString("app pässword 1"));
        QCOMPARE(read.problem, QString());
    }

    void withoutAStoreTheFileKeepsIt()
    {
        // The bus goes away from this process's view: no store answers.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        QProcess check;
        check.start(QCoreApplication::applicationFilePath(), {"--fallback"});
        QVERIFY(check.waitForFinished(60000));
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }
};

// The fallback runs in a process of its own, whose D-Bus never connected.
int fallback(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    VirtualClock clock;
    MemorySettingsArea area;
    Settings settings(area, clock, QString());
    settings.smtpUser = "member";
    if (QCoro::waitFor(storeSmtpPassword(settings, "kept here", 10s))) {
        std::fputs("a store answered\n", stdout);
        return 1;
    }
    settings.save();
    if (area.values.value("SmtpPassword") != "kept here")
        return 2;
    const SmtpPassword read = QCoro::waitFor(smtpPassword(settings, 10s));
    if (read.password != "kept here")
        return 3;
    settings.smtpPassword.clear();
    const SmtpPassword none = QCoro::waitFor(smtpPassword(settings, 10s));
    std::fputs(qPrintable(none.problem + "\n"), stdout);
    return none.problem.startsWith("no password for the mail server: the secret store did not answer")
               ? 0 : 4;
}

int main(int argc, char* argv[])
{
    if (argc == 2 && qstrcmp(argv[1], "--fallback") == 0)
        return fallback(argc, argv);
    QCoreApplication app(argc, argv);
    TestSecretStore t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_secret_store.moc"
