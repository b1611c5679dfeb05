#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <memory>

class QProcess;
class QTemporaryDir;

namespace zelvane::test {

// Runs the site simulator (tools/sitesim) for one test: the airline's
// frequent-flyer site and the product site on a free loopback port, over
// HTTPS with a throw-away certificate unless tls is false. The scenario is
// the JSON described in tools/sitesim/README.md.
class SiteSim {
public:
    explicit SiteSim(QString scenarioJson = QStringLiteral("{}"), bool tls = true);
    ~SiteSim();
    SiteSim(const SiteSim&) = delete;
    SiteSim& operator=(const SiteSim&) = delete;

    // Makes (once per test process) a self-signed certificate for 127.0.0.1
    // and localhost (the "portal" fault's other host), starts the simulator
    // and waits until it listens. False, with a warning,
    // when it could not.
    bool start();
    void stop();

    QString baseUrl() const; // "https://127.0.0.1:PORT" (or http://)
    int port() const;
    QString caFile() const;  // PEM of the certificate, for ZELVANE_CA_FILE
    QString logFile() const;

    // The simulator's request log so far, one object per request.
    QList<QJsonObject> requests() const;
    QList<QJsonObject> requests(const QString& kind) const;

private:
    QString scenario_;
    bool tls_;
    int port_ = 0;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
};

} // namespace zelvane::test
