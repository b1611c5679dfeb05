// Any text as an address: the parser either takes it apart or raises its
// numbered error, and everything it stores reads back and joins again.
#include "net/CUrl.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zelvane;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CUrl u;
    bool parsed = false;
    try {
        u.setHref(text);
        parsed = true;
    } catch (const UrlError& e) {
        if (e.number != kErrInvalidUrl)
            __builtin_trap();
    }
    qsizetype total = 0;
    for (const QString& s : {u.Href(), u.PathUrl(), u.PageUrl(), u.AfterPage(), u.Parameters(),
                             u.Port(), u.Host(), u.HostUrl(), u.Domain(), u.Subdomain(), u.Path(),
                             u.Scheme(), u.QueryString(), u.Login(), u.Page(), u.PagePath(),
                             u.Fragment()})
        total += s.size();
    const QStringList names = u.ParamNames();
    const QStringList values = u.ParamValues();
    if (names.size() != values.size())
        __builtin_trap();
    // A few names are enough; all of them would make the check quadratic.
    for (const QString& name : names.mid(0, 16)) {
        try {
            const ParamResult r = u.GetParam(name);
            total += std::holds_alternative<QString>(r) ? 1 : 2;
        } catch (const UrlError&) {
            __builtin_trap(); // a name of the list is always found
        }
    }
    // The address put together again goes back through the parser. It need
    // not come out the same: a host holding "@" or starting with "." is read
    // differently the second time.
    if (parsed) {
        CUrl again;
        try {
            again.setHref(u.Href());
        } catch (const UrlError& e) {
            if (e.number != kErrInvalidUrl)
                __builtin_trap();
        }
        total += again.Href().size();
    }
    return total < 0;
}
