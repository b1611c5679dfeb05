#pragma once

namespace zelvane {

// Called first thing in main, before anything speaks HTTPS. OpenSSL's own
// clean-up at exit would otherwise run while a finished network thread is
// still freeing its per-thread OpenSSL state: Qt counts the thread as done
// (QThread::wait returns) before that state goes, so now and then the two
// freed the same memory as the program ended ("double free or corruption").
// Without that clean-up the system takes the memory back at exit as usual.
void keepTlsLibraryUntilExit();

} // namespace zelvane
