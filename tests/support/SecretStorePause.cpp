#include "support/SecretStorePause.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QtDebug>
#include <csignal>

namespace zelvane::test {

SecretStorePause::SecretStorePause()
{
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const QDBusReply<uint> owner =
        bus ? bus->servicePid(QStringLiteral("org.freedesktop.secrets")) : QDBusReply<uint>();
    if (!owner.isValid() || owner.value() == 0) {
        qWarning() << "no secret store on the session bus:" << owner.error().message();
        return;
    }
    if (::kill(pid_t(owner.value()), SIGSTOP) == 0)
        pid_ = pid_t(owner.value());
}

SecretStorePause::~SecretStorePause()
{
    release();
}

void SecretStorePause::release()
{
    if (pid_ > 0)
        ::kill(pid_, SIGCONT);
    pid_ = 0;
}

int runWithSecretStore(const QString& program, const QStringList& args, QByteArray* output)
{
    QProcess run;
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral(ZELVANE_TEST_SUPPORT_DIR "/with_session_bus.sh"),
              QStringList{QStringLiteral("--keyring"), program} + args);
    const bool ended = run.waitForFinished(240000);
    if (!ended)
        run.kill();
    run.waitForFinished();
    if (output)
        *output = run.readAll();
    return ended && run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
}

} // namespace zelvane::test
