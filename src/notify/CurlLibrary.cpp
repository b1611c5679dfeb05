#include "notify/CurlLibrary.h"

#include "net/TlsLibrary.h"

#include <QLibrary>
#include <optional>

namespace zelvane {

namespace {

template <typename Function>
bool resolve(QLibrary& library, const char* name, Function& slot)
{
    slot = reinterpret_cast<Function>(library.resolve(name));
    return slot != nullptr;
}

std::optional<CurlApi> load()
{
    // libcurl speaks TLS through OpenSSL, which must be set up before it.
    prepareTlsLibrary();
    QLibrary library(QStringLiteral("curl"), 4); // never unloaded
    CurlApi api{};
    const bool complete =
        resolve(library, "curl_global_init", api.global_init)
        && resolve(library, "curl_easy_init", api.easy_init)
        && resolve(library, "curl_easy_cleanup", api.easy_cleanup)
        && resolve(library, "curl_easy_setopt", api.easy_setopt)
        && resolve(library, "curl_easy_getinfo", api.easy_getinfo)
        && resolve(library, "curl_easy_perform", api.easy_perform)
        && resolve(library, "curl_easy_strerror", api.easy_strerror)
        && resolve(library, "curl_slist_append", api.slist_append)
        && resolve(library, "curl_slist_free_all", api.slist_free_all)
        && resolve(library, "curl_mime_init", api.mime_init)
        && resolve(library, "curl_mime_free", api.mime_free)
        && resolve(library, "curl_mime_addpart", api.mime_addpart)
        && resolve(library, "curl_mime_data", api.mime_data)
        && resolve(library, "curl_mime_type", api.mime_type)
        && resolve(library, "curl_mime_encoder", api.mime_encoder)
        && resolve(library, "curl_mime_subparts", api.mime_subparts);
    if (!complete) {
        qWarning("mail library: %s", qPrintable(library.errorString()));
        return std::nullopt;
    }
    // Not thread-safe itself: the static below runs it once, before any mail.
    if (api.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        qWarning("mail library: curl_global_init failed");
        return std::nullopt;
    }
    return api;
}

} // namespace

const CurlApi* curlApi()
{
    static const std::optional<CurlApi> api = load();
    return api ? &*api : nullptr;
}

} // namespace zelvane
