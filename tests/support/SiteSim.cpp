#include "support/SiteSim.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtDebug>

namespace zelvane::test {

namespace {

constexpr int kCertificateTimeoutMs = 30000;

struct Certificate {
    QString cert, key;
    bool ok = false;
};

// Making a key is the slow part of starting, so every simulator of one test
// process shares one certificate. The folder lives until the process ends.
const Certificate& certificate()
{
    static QTemporaryDir folder;
    static const Certificate made = [] {
        Certificate c;
        if (!folder.isValid()) {
            qWarning("SiteSim: no temporary folder for the certificate");
            return c;
        }
        c.cert = folder.filePath(QStringLiteral("sitesim-cert.pem"));
        c.key = folder.filePath(QStringLiteral("sitesim-key.pem"));
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), c.key, QStringLiteral("-out"), c.cert,
                       QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                       QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost")});
        if (!openssl.waitForFinished(kCertificateTimeoutMs) || openssl.exitStatus() != QProcess::NormalExit
            || openssl.exitCode() != 0) {
            qWarning() << "SiteSim: openssl could not make a certificate:" << openssl.readAll();
            return c;
        }
        c.ok = QFile::exists(c.cert) && QFile::exists(c.key);
        return c;
    }();
    return made;
}

} // namespace

SiteSim::SiteSim(QString scenarioJson, bool tls)
    : scenario_(std::move(scenarioJson))
    , tls_(tls)
{
}

SiteSim::~SiteSim()
{
    stop();
}

bool SiteSim::start()
{
    stop();
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid()) {
        qWarning("SiteSim: no temporary folder");
        return false;
    }
    const QString scenarioPath = dir_->filePath(QStringLiteral("scenario.json"));
    QFile scenario(scenarioPath);
    if (!scenario.open(QIODevice::WriteOnly) || scenario.write(scenario_.toUtf8()) < 0) {
        qWarning("SiteSim: cannot write the scenario");
        return false;
    }
    scenario.close();

    const QString portFile = dir_->filePath(QStringLiteral("port"));
    QStringList args = {QStringLiteral("--scenario"), scenarioPath, QStringLiteral("--log"),
                        logFile(), QStringLiteral("--port-file"), portFile};
    if (tls_) {
        const Certificate& c = certificate();
        if (!c.ok)
            return false;
        args << QStringLiteral("--tls") << c.cert << c.key;
    }

    process_ = std::make_unique<QProcess>();
    port_ = startListening(*process_, QStringLiteral(ZELVANE_SITESIM_PATH), args, portFile, "SiteSim");
    if (port_ == 0)
        process_.reset();
    return port_ > 0;
}

void SiteSim::stop()
{
    if (!process_)
        return;
    stopProcess(*process_);
    process_.reset();
    port_ = 0;
}

QString SiteSim::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(tls_ ? QStringLiteral("https") : QStringLiteral("http"))
        .arg(port_);
}

int SiteSim::port() const
{
    return port_;
}

QString SiteSim::caFile() const
{
    return tls_ ? certificate().cert : QString();
}

QString SiteSim::logFile() const
{
    return dir_ ? dir_->filePath(QStringLiteral("requests.jsonl")) : QString();
}

QList<QJsonObject> SiteSim::requests() const
{
    QList<QJsonObject> out;
    QFile f(logFile());
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray all = f.readAll();
    for (const QByteArray& line : all.split('\n')) {
        // A line still being written has no end yet and does not parse.
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (doc.isObject())
            out.append(doc.object());
    }
    return out;
}

QList<QJsonObject> SiteSim::requests(const QString& kind) const
{
    QList<QJsonObject> out;
    for (const QJsonObject& r : requests()) {
        if (r.value(QLatin1String("kind")).toString() == kind)
            out.append(r);
    }
    return out;
}

} // namespace zelvane::test
