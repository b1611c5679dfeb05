#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace zelvane::test {

// Holds the session bus's secret store (the test's own gnome-keyring-daemon)
// still: every request to it waits, as it does while the store asks the user
// to unlock it, until the hold ends. The store goes on at the latest when
// this object goes, so a failed test never leaves it stopped.
class SecretStorePause {
public:
    SecretStorePause(); // stops the owner of org.freedesktop.secrets
    ~SecretStorePause();
    SecretStorePause(const SecretStorePause&) = delete;
    SecretStorePause& operator=(const SecretStorePause&) = delete;

    bool holding() const { return pid_ > 0; }
    void release();

private:
    pid_t pid_ = 0;
};

// Runs `program` on a session bus of its own with an unlocked gnome-keyring
// (with_session_bus.sh --keyring) and returns its exit status: 77 when the
// bus or the keyring cannot be had here. `output` gets what it printed.
int runWithSecretStore(const QString& program, const QStringList& args, QByteArray* output);

} // namespace zelvane::test
