#pragma once

namespace zelvane {

// Called before this program first speaks TLS: the browser's first secure
// address, the first secure exchange with a web server (or redirect to one),
// the first mail. Until then OpenSSL is not even loaded, which spares an idle
// tray program speaking plain HTTP a couple of megabytes.
//
// OpenSSL is initialised here without its clean-up at exit. That clean-up ran
// while a finished network thread was still freeing its per-thread OpenSSL
// state: Qt counts the thread as done (QThread::wait returns) before that
// state goes, so now and then the two freed the same memory as the program
// ended ("double free or corruption"). Without it the system takes the memory
// back at exit as usual. Only the first initialisation decides, so this must
// come before Qt's TLS backend or the mail library initialise OpenSSL.
// Any thread may call it, as often as it likes.
void prepareTlsLibrary();

} // namespace zelvane
