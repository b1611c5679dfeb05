#include "net/TlsLibrary.h"

#include <openssl/crypto.h>

namespace zelvane {

void keepTlsLibraryUntilExit()
{
    // The first initialisation decides whether the clean-up at exit is
    // registered; Qt's TLS plugin initialises OpenSSL again later, harmlessly.
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
}

} // namespace zelvane
