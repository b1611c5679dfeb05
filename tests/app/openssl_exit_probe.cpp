// Preloaded into zelvane-check by test_check_command. OpenSSL's clean-up at
// exit once ran while a finished network thread was still freeing its own
// OpenSSL state, and now and then freed memory twice as the program ended:
// too rarely for a test to see. Seen every time is whether another thread is
// still alive when that clean-up runs, which the probe says on standard
// error. It also says that it was loaded and that it watches the clean-up,
// so a probe that never came into the process cannot pass for a quiet one.
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

using ExitFunction = void (*)(void*);
ExitFunction opensslCleanup = nullptr;

__attribute__((constructor)) void announce()
{
    std::fputs("openssl_exit_probe: loaded\n", stderr);
}

// The names of the process's threads but the calling one.
std::string otherThreads()
{
    std::string names;
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return "(unknown)";
    const std::string self = std::to_string(gettid());
    while (const dirent* task = readdir(tasks)) {
        if (task->d_name[0] == '.' || self == task->d_name)
            continue;
        char name[32] = "?";
        if (FILE* comm = std::fopen(("/proc/self/task/" + std::string(task->d_name) + "/comm").c_str(), "r")) {
            if (std::fgets(name, sizeof name, comm))
                name[std::strcspn(name, "\n")] = '\0';
            std::fclose(comm);
        }
        names += (names.empty() ? "" : ", ") + std::string(name);
    }
    closedir(tasks);
    return names;
}

void watchedCleanup(void* argument)
{
    const std::string others = otherThreads();
    if (!others.empty())
        std::fprintf(stderr, "openssl_exit_probe: OPENSSL_cleanup ran beside other threads: %s\n",
                     others.c_str());
    opensslCleanup(argument);
}

} // namespace

extern "C" int __cxa_atexit(ExitFunction function, void* argument, void* dso)
{
    using Register = int (*)(ExitFunction, void*, void*);
    static const auto next = reinterpret_cast<Register>(dlsym(RTLD_NEXT, "__cxa_atexit"));
    Dl_info info{};
    if (!opensslCleanup && dladdr(reinterpret_cast<void*>(function), &info) && info.dli_sname
        && std::strcmp(info.dli_sname, "OPENSSL_cleanup") == 0) {
        std::fputs("openssl_exit_probe: OPENSSL_cleanup registered to run at exit, watched\n", stderr);
        opensslCleanup = function;
        function = watchedCleanup;
    }
    return next(function, argument, dso);
}
