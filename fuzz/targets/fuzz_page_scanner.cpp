// The scanner must read any page exactly as libxml2's parser does, or leave
// it to libxml2: the same text, frame and base, never a different one.
#include "engine/HtmlReading.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray page(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<zelvane::html::StreamedPage> scanned = zelvane::html::scanPage(page);
    if (!scanned)
        return 0;
    const zelvane::html::StreamedPage parsed =
        zelvane::html::parserStreamPage({page, QStringLiteral("utf-8")});
    if (scanned->text != parsed.text || scanned->frameSource != parsed.frameSource
        || scanned->baseHref != parsed.baseHref) {
        std::fprintf(stderr, "scanner: [%s] frame [%s] base [%s]\nlibxml2: [%s] frame [%s] base [%s]\n",
                     qPrintable(scanned->text), qPrintable(scanned->frameSource.value_or(QStringLiteral("-"))),
                     qPrintable(scanned->baseHref), qPrintable(parsed.text),
                     qPrintable(parsed.frameSource.value_or(QStringLiteral("-"))), qPrintable(parsed.baseHref));
        __builtin_trap();
    }
    return 0;
}
