#include "net/TlsLibrary.h"

#include <QLibrary>
#include <openssl/crypto.h>

namespace zelvane {

void prepareTlsLibrary()
{
    static const bool prepared = [] {
        // Never unloaded: Qt's TLS backend and the mail library use the same copy.
        QLibrary crypto(QStringLiteral("crypto"), 3);
        using Init = int (*)(uint64_t, const OPENSSL_INIT_SETTINGS*);
        const auto init = reinterpret_cast<Init>(crypto.resolve("OPENSSL_init_crypto"));
        if (!init) {
            qWarning("TLS library: %s", qPrintable(crypto.errorString()));
            return false;
        }
        // Qt's TLS backend initialises OpenSSL again later, harmlessly.
        return init(OPENSSL_INIT_NO_ATEXIT, nullptr) == 1;
    }();
    (void)prepared;
}

} // namespace zelvane
