// Preloaded into zelvane-check by test_check_command: says on standard error
// when OpenSSL registers its clean-up to run at exit. That clean-up raced a
// finished network thread's own and now and then freed memory twice as the
// program ended, too rarely for a test to see; whether it is registered is
// seen every time.
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

extern "C" int __cxa_atexit(void (*function)(void*), void* argument, void* dso)
{
    using Register = int (*)(void (*)(void*), void*, void*);
    static const auto next = reinterpret_cast<Register>(dlsym(RTLD_NEXT, "__cxa_atexit"));
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(function), &info) && info.dli_sname
        && std::strcmp(info.dli_sname, "OPENSSL_cleanup") == 0)
        std::fputs("openssl_exit_probe: OPENSSL_cleanup registered to run at exit\n", stderr);
    return next(function, argument, dso);
}
