// Any bytes a server sends must give a document: no crash, no hang, whatever
// the markup or the character set it claims.
#include "browser/HtmlDocument.h"

#include <cstddef>
#include <cstdint>

namespace {

// The first byte picks what the HTTP header said, so the header path and the
// page's own <meta> path are both reached.
const char* const kHeaderCharsets[] = {"", "utf-8", "windows-1252", "iso-8859-1", "utf-16le",
                                       "utf-16be", "iso-8859-15", "koi8-r", "shift_jis",
                                       "x-unknown"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char* charset = kHeaderCharsets[data[0] % (sizeof kHeaderCharsets / sizeof *kHeaderCharsets)];
    const QByteArray page(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const zelvane::HtmlDocument doc = zelvane::HtmlDocument::parse(
        page, QByteArray(charset), QUrl(QStringLiteral("https://127.0.0.1:8443/fflyer/dyns/auth/AwardBooking?x=1")));
    const QString text = doc.innerText();
    const QString html = doc.innerHtml();
    const auto frame = doc.firstFrameSource();
    (void)zelvane::HtmlDocument::declaredCharset(page);
    (void)zelvane::HtmlDocument::charsetParameter(page);
    // Blanks collapse, lines are trimmed and joined with CR LF, and several
    // breaks give one: whatever the page, none of these may show.
    static const char* const never[] = {"  ", " \r\n", "\r\n ", "\r\n\r\n", "\t"};
    for (const char* s : never)
        if (text.contains(QLatin1String(s)))
            __builtin_trap();
    if (text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '))
        || text.count(QLatin1Char('\n')) != text.count(QLatin1Char('\r')))
        __builtin_trap();
    // A cell's text is laid out like the page's: no blank at either end.
    for (const zelvane::HtmlTable& table : doc.tables())
        for (const QStringList& row : table)
            for (const QString& cell : row)
                if (cell.startsWith(QLatin1Char(' ')) || cell.endsWith(QLatin1Char(' ')))
                    __builtin_trap();
    (void)html;
    (void)frame;
    return 0;
}
