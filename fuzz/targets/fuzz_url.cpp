// Any text as an address: the parser either takes it apart or raises its
// numbered error, and everything it stores reads back and joins again.
#include "net/Url.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zelvane;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    Url u;
    bool parsed = false;
    try {
        u.setHref(text);
        parsed = true;
    } catch (const UrlError& e) {
        if (e.number != kErrInvalidUrl)
            __builtin_trap();
    }
    qsizetype total = 0;
    for (const QString& s : {u.href(), u.pathUrl(), u.pageUrl(), u.afterPage(), u.parameters(),
                             u.port(), u.host(), u.hostUrl(), u.domain(), u.subdomain(), u.path(),
                             u.scheme(), u.queryString(), u.login(), u.page(), u.pagePath(),
                             u.fragment()})
        total += s.size();
    const QStringList names = u.paramNames();
    const QStringList values = u.paramValues();
    if (names.size() != values.size())
        __builtin_trap();
    // A few names are enough; all of them would make the check quadratic.
    for (const QString& name : names.mid(0, 16)) {
        try {
            const ParamResult r = u.param(name);
            total += std::holds_alternative<QString>(r) ? 1 : 2;
        } catch (const UrlError&) {
            __builtin_trap(); // a name of the list is always found
        }
    }
    // The address put together again goes back through the parser. It need
    // not come out the same: a host holding "@" or starting with "." is read
    // differently the second time.
    if (parsed) {
        Url again;
        try {
            again.setHref(u.href());
        } catch (const UrlError& e) {
            if (e.number != kErrInvalidUrl)
                __builtin_trap();
        }
        total += again.href().size();
    }
    return total < 0;
}
