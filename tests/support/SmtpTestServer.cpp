#include "support/SmtpTestServer.h"

#include "notify/MailProgram.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtDebug>

namespace zelvane::test {

namespace {

// Debian's own python, which python3-aiosmtpd and python3-dbus install into
// (a python3 earlier on the PATH may be another one).
const QString kPython = QStringLiteral("/usr/bin/python3");

bool openssl(const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("openssl"), args);
    if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    qWarning() << "openssl" << args.first() << "failed:" << p.readAll();
    return false;
}

} // namespace

const TestCa& testCa()
{
    static QTemporaryDir folder;
    static const TestCa made = [] {
        TestCa ca;
        const auto at = [](const char* name) { return folder.filePath(QLatin1String(name)); };
        ca.caFile = at("ca.pem");
        ca.certFile = at("server.pem");
        ca.keyFile = at("server.key");
        const QStringList ec = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        writeFile(at("server.ext"), "subjectAltName=IP:127.0.0.1,DNS:localhost\n");
        ca.ok = folder.isValid()
                && openssl(QStringList{"req", "-x509"} + ec
                           + QStringList{"-keyout", at("ca.key"), "-out", ca.caFile, "-days", "30",
                                         "-subj", "/CN=Zelvane Test CA"})
                && openssl(QStringList{"req"} + ec
                           + QStringList{"-keyout", ca.keyFile, "-out", at("server.csr"), "-subj",
                                         "/CN=127.0.0.1"})
                && openssl({"x509", "-req", "-in", at("server.csr"), "-CA", ca.caFile, "-CAkey",
                            at("ca.key"), "-CAcreateserial", "-out", ca.certFile, "-days", "30",
                            "-extfile", at("server.ext")});
        return ca;
    }();
    return made;
}

void mailThroughTheMailProgram()
{
    setSmtpSender([](const SmtpServer& server, const MailMessage& message, SmtpDeadlines deadlines) {
        return sendSmtpByProgram(QStringLiteral(ZELVANE_MAIL_PROGRAM_PATH), server, message, deadlines);
    });
}

SmtpTestServer::SmtpTestServer(Options options) : options_(std::move(options)) {}

SmtpTestServer::~SmtpTestServer()
{
    stop();
}

bool SmtpTestServer::available()
{
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")});
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool SmtpTestServer::start()
{
    stop();
    dir_ = std::make_unique<QTemporaryDir>();
    QStringList args = {QStringLiteral(ZELVANE_TEST_SUPPORT_DIR "/smtp_server.py"),
                        QStringLiteral("--port-file"), dir_->filePath(QStringLiteral("port")),
                        QStringLiteral("--log"), dir_->filePath(QStringLiteral("messages.jsonl")),
                        QStringLiteral("--mode"), options_.mode};
    if (options_.tls) {
        if (!testCa().ok)
            return false;
        args << QStringLiteral("--tls") << testCa().certFile << testCa().keyFile;
    }
    if (!options_.auth.isEmpty())
        args << QStringLiteral("--auth") << options_.auth;
    if (options_.port > 0)
        args << QStringLiteral("--port") << QString::number(options_.port);
    process_ = std::make_unique<QProcess>();
    port_ = startListening(*process_, kPython, args,
                           dir_->filePath(QStringLiteral("port")), "SMTP server");
    return port_ > 0;
}

void SmtpTestServer::stop()
{
    if (process_)
        stopProcess(*process_);
    process_.reset();
    port_ = 0;
}

QList<QJsonObject> SmtpTestServer::messages() const
{
    QList<QJsonObject> out;
    if (!dir_)
        return out;
    for (const QByteArray& line : readFile(dir_->filePath(QStringLiteral("messages.jsonl"))).split('\n')) {
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (doc.isObject())
            out << doc.object();
    }
    return out;
}

} // namespace zelvane::test
