// Which character set a page is in, and its bytes as the parser is to read them.
#include "browser/HtmlReading.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string_view>
#include <unordered_map>

namespace zelvane::html {

namespace {

// Browsers look for a <meta> charset only near the top; old pages sometimes
// put a long script or comment first, so look a little further than they do.
constexpr qsizetype kMetaScanBytes = 8192;

enum class Reader { Utf8, Utf16LE, Utf16BE, Windows1252, Iconv };

struct Charset {
    Reader reader;
    QByteArray name;
};

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.'
           || c == ':';
}

// Whether iconv can read this character set.
bool iconvReads(const QByteArray& name)
{
    const iconv_t cd = iconv_open("UTF-8", name.constData());
    if (cd == iconv_t(-1))
        return false;
    iconv_close(cd);
    return true;
}

// Maps a charset label to how the page is read. Labels that name Latin-1 or
// ASCII are read as windows-1252, as browsers do: pages that say iso-8859-1
// are full of curly quotes from 0x80-0x9F.
std::optional<Charset> recognise(QByteArray label, bool fromMeta)
{
    label = label.trimmed().toLower();
    while (!label.isEmpty() && (label.front() == '"' || label.front() == '\''))
        label.remove(0, 1);
    while (!label.isEmpty() && (label.back() == '"' || label.back() == '\''))
        label.chop(1);
    label = label.trimmed();
    if (label.isEmpty() || label.size() > 40)
        return std::nullopt;
    for (char c : label)
        if (!isLabelChar(c))
            return std::nullopt;

    static const std::unordered_map<std::string_view, Reader> known = {
        {"utf-8", Reader::Utf8},
        {"utf8", Reader::Utf8},
        {"unicode-1-1-utf-8", Reader::Utf8},
        {"utf-16", Reader::Utf16LE},
        {"utf-16le", Reader::Utf16LE},
        {"unicode", Reader::Utf16LE},
        {"ucs-2", Reader::Utf16LE},
        {"csunicode", Reader::Utf16LE},
        {"iso-10646-ucs-2", Reader::Utf16LE},
        {"unicodefeff", Reader::Utf16LE},
        {"utf-16be", Reader::Utf16BE},
        {"unicodefffe", Reader::Utf16BE},
        {"windows-1252", Reader::Windows1252},
        {"cp1252", Reader::Windows1252},
        {"x-cp1252", Reader::Windows1252},
        {"iso-8859-1", Reader::Windows1252},
        {"iso8859-1", Reader::Windows1252},
        {"iso88591", Reader::Windows1252},
        {"iso_8859-1", Reader::Windows1252},
        {"iso_8859-1:1987", Reader::Windows1252},
        {"iso-ir-100", Reader::Windows1252},
        {"l1", Reader::Windows1252},
        {"latin1", Reader::Windows1252},
        {"csisolatin1", Reader::Windows1252},
        {"us-ascii", Reader::Windows1252},
        {"ascii", Reader::Windows1252},
        {"ansi_x3.4-1968", Reader::Windows1252},
        {"cp819", Reader::Windows1252},
        {"ibm819", Reader::Windows1252},
    };
    const auto it = known.find(std::string_view(label.constData(), size_t(label.size())));
    if (it != known.end()) {
        Reader r = it->second;
        // A page that could read its own <meta> is not UTF-16, whatever it says.
        if (fromMeta && (r == Reader::Utf16LE || r == Reader::Utf16BE))
            r = Reader::Utf8;
        static const QByteArray names[] = {"utf-8", "utf-16le", "utf-16be", "windows-1252"};
        return Charset{r, names[int(r)]};
    }
    if (iconvReads(label))
        return Charset{Reader::Iconv, label};
    return std::nullopt;
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

QByteArray windows1252ToUtf8(const QByteArray& in)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QByteArray out;
    out.reserve(in.size() + in.size() / 8);
    for (char ch : in) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            appendUtf8(out, high[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Other sets through iconv, as libxml2 would read them, except that a byte
// the set cannot hold becomes U+FFFD where libxml2 would drop the rest of
// the page.
QByteArray iconvToUtf8(const QByteArray& bytes, const QByteArray& name)
{
    const iconv_t cd = iconv_open("UTF-8", name.constData());
    if (cd == iconv_t(-1))
        return {};
    QByteArray out;
    out.reserve(bytes.size() * 2);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char buf[4096];
    while (inLeft > 0) {
        char* o = buf;
        size_t oLeft = sizeof buf;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf, o - buf);
        if (r == size_t(-1) && errno != E2BIG) { // a bad or cut-off sequence
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

// The page as UTF-8 bytes for the parser. Broken sequences become U+FFFD and
// NUL bytes too, which the parser would otherwise take for the end of input.
QByteArray toUtf8(const QByteArray& bytes, Reader reader, const QByteArray& name)
{
    QByteArray out;
    switch (reader) {
    case Reader::Utf8:
    case Reader::Windows1252:
        if (isAscii(bytes))
            out = bytes;
        else if (reader == Reader::Windows1252)
            out = windows1252ToUtf8(bytes);
        else
            out = QStringDecoder(QStringConverter::Utf8)(bytes).operator QString().toUtf8();
        break;
    case Reader::Utf16LE:
        out = QStringDecoder(QStringConverter::Utf16LE)(bytes).operator QString().toUtf8();
        break;
    case Reader::Utf16BE:
        out = QStringDecoder(QStringConverter::Utf16BE)(bytes).operator QString().toUtf8();
        break;
    case Reader::Iconv:
        out = iconvToUtf8(bytes, name);
        break;
    }
    if (out.contains('\0'))
        out.replace(QByteArray(1, '\0'), QByteArrayLiteral("\xEF\xBF\xBD"));
    return out;
}

// Value of a "charset=..." inside a Content-Type or a meta content.
QByteArray charsetIn(const char* p, qsizetype n)
{
    static constexpr char key[] = "charset";
    constexpr qsizetype keyLen = sizeof(key) - 1;
    for (qsizetype i = 0; i + keyLen <= n; ++i) {
        if (qstrnicmp(p + i, key, keyLen) != 0)
            continue;
        qsizetype j = i + keyLen;
        while (j < n && isAsciiSpace(p[j]))
            ++j;
        if (j >= n || p[j] != '=')
            continue;
        ++j;
        while (j < n && isAsciiSpace(p[j]))
            ++j;
        if (j >= n)
            return {};
        if (p[j] == '"' || p[j] == '\'') {
            const char quote = p[j++];
            const qsizetype start = j;
            while (j < n && p[j] != quote)
                ++j;
            if (j >= n)
                return {};
            return QByteArray(p + start, j - start);
        }
        const qsizetype start = j;
        while (j < n && p[j] != ';' && !isAsciiSpace(p[j]))
            ++j;
        return QByteArray(p + start, j - start);
    }
    return {};
}

} // namespace

QString fromUtf8Keeping(const char* data, qsizetype size)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(data, size));
}

QByteArray charsetParameter(const QByteArray& contentType)
{
    return charsetIn(contentType.constData(), contentType.size()).trimmed();
}

QByteArray declaredCharset(const QByteArray& bytes)
{
    const char* p = bytes.constData();
    const qsizetype n = qMin(bytes.size(), kMetaScanBytes);
    qsizetype i = 0;
    while (i < n) {
        if (p[i] != '<') {
            ++i;
            continue;
        }
        if (i + 4 <= n && std::memcmp(p + i, "<!--", 4) == 0) {
            const void* end = nullptr;
            for (qsizetype j = i + 4; j + 3 <= n; ++j)
                if (std::memcmp(p + j, "-->", 3) == 0) {
                    end = p + j;
                    break;
                }
            if (!end)
                return {};
            i = static_cast<const char*>(end) - p + 3;
            continue;
        }
        if (!(i + 6 <= n && qstrnicmp(p + i, "<meta", 5) == 0
              && (isAsciiSpace(p[i + 5]) || p[i + 5] == '/'))) {
            ++i;
            continue;
        }
        // Attributes of one meta tag.
        QByteArray charset, httpEquiv, content;
        qsizetype j = i + 5;
        while (j < n && p[j] != '>') {
            while (j < n && (isAsciiSpace(p[j]) || p[j] == '/'))
                ++j;
            const qsizetype nameStart = j;
            while (j < n && !isAsciiSpace(p[j]) && p[j] != '=' && p[j] != '>' && p[j] != '/')
                ++j;
            const QByteArray name = QByteArray(p + nameStart, j - nameStart).toLower();
            while (j < n && isAsciiSpace(p[j]))
                ++j;
            QByteArray value;
            if (j < n && p[j] == '=') {
                ++j;
                while (j < n && isAsciiSpace(p[j]))
                    ++j;
                if (j < n && (p[j] == '"' || p[j] == '\'')) {
                    const char quote = p[j++];
                    const qsizetype start = j;
                    while (j < n && p[j] != quote)
                        ++j;
                    value = QByteArray(p + start, j - start);
                    if (j < n)
                        ++j;
                } else {
                    const qsizetype start = j;
                    while (j < n && !isAsciiSpace(p[j]) && p[j] != '>')
                        ++j;
                    value = QByteArray(p + start, j - start);
                }
            }
            if (name == "charset" && charset.isEmpty())
                charset = value;
            else if (name == "http-equiv" && httpEquiv.isEmpty())
                httpEquiv = value;
            else if (name == "content" && content.isEmpty())
                content = value;
            if (j == nameStart)
                ++j; // a stray character that starts no attribute
        }
        if (!charset.isEmpty() && recognise(charset, true))
            return charset.trimmed();
        if (httpEquiv.trimmed().toLower() == "content-type") {
            const QByteArray c = charsetIn(content.constData(), content.size());
            if (!c.isEmpty() && recognise(c, true))
                return c.trimmed();
        }
        i = j;
    }
    return {};
}

PageInput decodePage(const QByteArray& bytes, const QByteArray& httpCharset)
{
    QByteArray body = bytes;
    std::optional<Charset> charset;
    if (body.startsWith("\xEF\xBB\xBF")) {
        charset = Charset{Reader::Utf8, "utf-8"};
        body.remove(0, 3);
    } else if (body.startsWith("\xFF\xFE")) {
        charset = Charset{Reader::Utf16LE, "utf-16le"};
        body.remove(0, 2);
    } else if (body.startsWith("\xFE\xFF")) {
        charset = Charset{Reader::Utf16BE, "utf-16be"};
        body.remove(0, 2);
    }
    if (!charset)
        charset = recognise(httpCharset, false);
    if (!charset)
        charset = recognise(declaredCharset(body), true);
    if (!charset)
        charset = Charset{Reader::Windows1252, "windows-1252"};

    PageInput page;
    page.encoding = QString::fromLatin1(charset->name);
    page.bytes = toUtf8(body, charset->reader, charset->name);
    return page;
}

} // namespace zelvane::html
