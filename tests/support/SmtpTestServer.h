#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <memory>

class QProcess;
class QTemporaryDir;

namespace zelvane::test {

// A throwaway certificate authority and a server certificate it signed for
// 127.0.0.1 and localhost, made with openssl once per test process.
struct TestCa {
    QString caFile, certFile, keyFile;
    bool ok = false;
};
const TestCa& testCa();

// Mail from this process goes as the tray program sends it: each mail through
// this build's mail program.
void mailThroughTheMailProgram();

// A real SMTP server (aiosmtpd, tests/support/smtp_server.py) on a free
// loopback port, with the faults a user meets. start() is false, with a
// warning, when python3-aiosmtpd is missing.
class SmtpTestServer {
public:
    struct Options {
        bool tls = false;         // STARTTLS with the test CA's certificate, needed before AUTH
        QString auth;             // "user:password": AUTH required
        QString mode = QStringLiteral("normal"); // refuse-rcpt, close-in-data, silent,
                                                 // silent-after-data, silent-at-quit, greet-421, slow
        int port = 0; // 0: a free one; else a server back where it was
    };
    explicit SmtpTestServer(Options options);
    SmtpTestServer() : SmtpTestServer(Options{}) {}
    ~SmtpTestServer();

    static bool available(); // python3 with aiosmtpd
    bool start();
    void stop();
    int port() const { return port_; }
    // The messages it accepted, one object each (see smtp_server.py).
    QList<QJsonObject> messages() const;

private:
    Options options_;
    int port_ = 0;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
};

} // namespace zelvane::test
