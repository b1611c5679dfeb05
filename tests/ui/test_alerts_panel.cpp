// The Alerts panel as a user meets it: a fourth tab, its entries checked
// before anything is saved, the password's place told, and "Send Test Alert"
// reporting every channel in one line.
#include "notify/AlertSender.h"
#include "notify/SessionAlerter.h"
#include "support/LocalHttpServer.h"
#include "support/MissingTool.h"
#include "support/SmtpTestServer.h"
#include "ui/AlertsPanel.h"
#include "ui/ImageButton.h"
#include "WindowRig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace zelvane;
using namespace zelvane::test;

class TestAlertsPanel : public QObject {
    Q_OBJECT

    MainWindow& openAtAlerts(WindowRig& rig)
    {
        rig.storeMember();
        MainWindow& w = rig.open();
        w.show();
        click(rig.find<ImageButton>("ImageAlerts"));
        return w;
    }
    static void type(WindowRig& rig, const QString& control, const QString& text)
    {
        auto* e = rig.find<QLineEdit>(control);
        e->clear();
        QTest::keyClicks(e, text);
    }

private slots:
    void initTestCase()
    {
        freshHome();
        // No secret store answers here: the settings file keeps the password.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        mailThroughTheMailProgram();
    }

    void fourthTabShowsOnlyTheAlerts()
    {
        WindowRig rig("alerts-tab");
        openAtAlerts(rig);
        for (const char* panel : {"PictureMember", "PictureItinerary", "PictureResult"})
            QVERIFY(!rig.find<QWidget>(panel)->isVisible());
        QVERIFY(rig.find<QWidget>("PictureAlerts")->isVisible());
        QCOMPARE(rig.find<QLineEdit>("txtSmtpPort")->text(), QString("587"));
        QCOMPARE(rig.find<QComboBox>("cbSmtpSecurity")->currentText(), QString("STARTTLS"));
        QVERIFY(rig.find<QCheckBox>("chkNotifyDesktop")->isChecked());
    }

    void badInputIsNamedAndNothingSaved_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        const QString port = "The port must be a number from 1 to 65535.";
        QTest::newRow("port 0") << "txtSmtpPort" << "0" << port;
        QTest::newRow("port 70000") << "txtSmtpPort" << "70000" << port;
        QTest::newRow("port in words") << "txtSmtpPort" << "smtp" << port;
        QTest::newRow("host with a blank") << "txtSmtpHost" << "smtp example.com"
                                           << "The mail server must be a host name such as smtp.example.com.";
        QTest::newRow("sender with two @") << "txtSmtpFrom" << "a@b@example.com"
                                           << "The sender must be an e-mail address with one \"@\", such as me@example.com.";
        QTest::newRow("sender without @") << "txtSmtpFrom" << "smith"
                                          << "The sender must be an e-mail address with one \"@\", such as me@example.com.";
        QTest::newRow("push not on the web") << "txtPushUrl" << "ftp://example.com/x"
                                             << "The push address must be a web address starting with https:// or http://.";
        QTest::newRow("clear-text password elsewhere") << "txtSmtpPassword" << "secret"
                                                       << "A password is never sent unencrypted to another machine: "
                                                          "choose STARTTLS or TLS.";
    }
    void badInputIsNamedAndNothingSaved()
    {
        QFETCH(QString, control);
        QFETCH(QString, value);
        QFETCH(QString, message);
        WindowRig rig("alerts-bad");
        openAtAlerts(rig);
        type(rig, "txtSmtpHost", "smtp.example.com");
        type(rig, "txtSmtpUser", "smith");
        rig.find<QComboBox>("cbSmtpSecurity")->setCurrentIndex(control == "txtSmtpPassword" ? 0 : 1);
        type(rig, control, value);
        rig.area.writes.clear();
        click(rig.find<ImageButton>("ImageSaveAlerts"));
        QTRY_COMPARE(rig.boxes.shown.size(), 1);
        QCOMPARE(rig.boxes.shown[0].text, message);
        QCOMPARE(rig.boxes.shown[0].title, QString("Zelvane"));
        QVERIFY(rig.area.writes.isEmpty());
        QCOMPARE(rig.state.settings.smtpHost, QString());
        // The keyboard is put where the mistake is.
        const QString focus = control == "txtSmtpPassword" ? QString("cbSmtpSecurity") : control;
        QCOMPARE(rig.window->focusWidget(), rig.find<QWidget>(focus));
    }

    void goodInputIsSavedAndThePasswordsPlaceTold()
    {
        WindowRig rig("alerts-good");
        openAtAlerts(rig);
        type(rig, "txtSmtpHost", "smtp.example.com");
        type(rig, "txtSmtpPort", "465");
        rig.find<QComboBox>("cbSmtpSecurity")->setCurrentIndex(2);
        type(rig, "txtSmtpUser", "smith@example.com");
        type(rig, "txtSmtpPassword", "app password");
        type(rig, "txtPushUrl", "https://ntfy.example/smith");
        rig.find<QCheckBox>("chkNotifyDesktop")->setChecked(false);
        rig.find<QCheckBox>("chkAnnounceChangesOnly")->setChecked(true);
        click(rig.find<ImageButton>("ImageSaveAlerts"));
        QTRY_COMPARE(rig.area.values.value("SmtpHost"), QString("smtp.example.com"));
        QCOMPARE(rig.area.values.value("AnnounceChangesOnly"), QString("1"));
        QCOMPARE(rig.area.values.value("SmtpPort"), QString("465"));
        QCOMPARE(rig.area.values.value("SmtpSecurity"), QString("2"));
        QCOMPARE(rig.area.values.value("PushUrl"), QString("https://ntfy.example/smith"));
        QCOMPARE(rig.area.values.value("NotifyDesktop"), QString("0"));
        QCOMPARE(rig.area.values.value("SmtpPassword"), QString("app password"));
        QCOMPARE(rig.find<QLabel>("lblPasswordPlace")->text(), kPasswordInFile);
        QVERIFY(rig.find<QLineEdit>("txtSmtpPassword")->text().isEmpty());
        QVERIFY(rig.boxes.shown.isEmpty());
    }

    // A push the server refused waits, listed with its reason; "Send Now"
    // delivers it once the server takes pushes again.
    void whatWaitsIsListedAndSentNow()
    {
        LocalHttpServer push;
        push.answer.status = 503;
        QVERIFY(push.start());
        WindowRig rig("alerts-waiting");
        rig.state.settings.pushUrl = push.base() + "/seats";
        MainWindow& w = openAtAlerts(rig);
        auto* waiting = rig.find<QListWidget>("lstWaiting");
        auto* sendNow = rig.find<QPushButton>("cmdSendNow");
        QVERIFY(!waiting->isVisible() && !sendNow->isVisible());
        QCoro::waitFor(w.alerts().post().send(pushEntry(OutboxEntry::Topic::Seats, {"Seats found", "Sydney → London", "default", ""})));
        QVERIFY(waiting->isVisible() && sendNow->isVisible());
        QCOMPARE(waiting->count(), 1);
        const QString line = waiting->item(0)->text();
        QVERIFY2(line.startsWith("Seats found push of ") && line.endsWith(": the push server answered HTTP 503"),
                 qPrintable(line));
        push.answer.status = 200;
        sendNow->click();
        QTRY_VERIFY(!waiting->isVisible());
        QCOMPARE(rig.state.outbox.count(), 0);
        QCOMPARE(push.requests.size(), 2);
    }

    void testAlertReportsEveryChannel()
    {
        SmtpTestServer mail;
        const bool haveMail = SmtpTestServer::available() && mail.start();
        LocalHttpServer push;
        QVERIFY(push.start());
        WindowRig rig("alerts-test");
        openAtAlerts(rig);
        rig.find<QCheckBox>("chkNotifyDesktop")->setChecked(false);
        type(rig, "txtPushUrl", push.base() + "/seats");
        if (haveMail) {
            type(rig, "txtSmtpHost", "127.0.0.1");
            type(rig, "txtSmtpPort", QString::number(mail.port()));
            rig.find<QComboBox>("cbSmtpSecurity")->setCurrentIndex(0);
        }
        rig.find<QPushButton>("cmdTestAlert")->click();
        auto* outcome = rig.find<QLabel>("lblTestOutcome");
        QTRY_VERIFY_WITH_TIMEOUT(!outcome->text().endsWith("…") && !outcome->text().isEmpty(), 20000);
        QCOMPARE(outcome->text(), haveMail ? QString("E-mail: sent · Push: sent") : QString("Push: sent"));
        QCOMPARE(push.requests.size(), 1);
        if (haveMail)
            QCOMPARE(mail.messages().size(), 1);

        // A push server that is gone is named in the same line.
        type(rig, "txtPushUrl", QString("http://127.0.0.1:%1/seats").arg(LocalHttpServer::closedPort()));
        type(rig, "txtSmtpHost", "");
        rig.find<QPushButton>("cmdTestAlert")->click();
        QTRY_VERIFY_WITH_TIMEOUT(outcome->text().startsWith("Push: failed"), 20000);
        QCOMPARE(outcome->text(), QString("Push: failed (could not reach the push server (connection refused))"));
        if (!SmtpTestServer::available())
            ZELVANE_SKIP_MISSING_TOOL("python3-aiosmtpd"); // only the push was checked
    }
};

ZELVANE_TEST_MAIN(TestAlertsPanel)
#include "test_alerts_panel.moc"
