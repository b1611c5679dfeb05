#include "engine/HtmlDocument.h"

#include <QStringDecoder>

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zelvane {

namespace {

// Browsers look for a <meta> charset only near the top; old pages sometimes
// put a long script or comment first, so look a little further than they do.
constexpr qsizetype kMetaScanBytes = 8192;

enum class Reader { Utf8, Utf16LE, Utf16BE, Windows1252, Libxml };

struct Charset {
    Reader reader;
    QByteArray name;
};

void initLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.'
           || c == ':';
}

// Whether libxml2 (through iconv) can read this character set.
bool libxmlReads(const QByteArray& name)
{
    initLibxml();
    xmlCharEncodingHandlerPtr h = xmlFindCharEncodingHandler(name.constData());
    if (!h)
        return false;
    bool reads = h->input != nullptr;
#ifdef LIBXML_ICONV_ENABLED
    reads = reads || h->iconv_in != nullptr;
#endif
#ifdef LIBXML_ICU_ENABLED
    reads = reads || h->uconv_in != nullptr;
#endif
    xmlCharEncCloseFunc(h);
    return reads;
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
    if (libxmlReads(label))
        return Charset{Reader::Libxml, label};
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

// QString::fromUtf8 drops a leading U+FEFF; a page's text keeps what it has.
QString fromUtf8Keeping(const char* data, qsizetype size)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(data, size));
}

bool isAscii(const QByteArray& bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The page as UTF-8 bytes for the parser. Broken sequences become U+FFFD and
// NUL bytes too, which the parser would otherwise take for the end of input.
QByteArray toUtf8(const QByteArray& bytes, Reader reader)
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
    case Reader::Libxml:
        return bytes;
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

// ---- tree walking -------------------------------------------------------

enum Kind : unsigned {
    kInline = 0,
    kSkip = 1,      // gives no text at all
    kBreak = 2,     // br
    kBlock = 4,     // starts and ends a line
    kCell = 8,      // td, th: nothing between cells, edge blanks dropped
    kTableLike = 16 // whitespace-only text directly inside gives nothing
};

unsigned kindOf(const xmlNode* n)
{
    static const std::unordered_map<std::string_view, unsigned> kinds = {
        {"script", kSkip},
        {"style", kSkip},
        {"noscript", kSkip},
        {"br", kBreak},
        {"p", kBlock},
        {"div", kBlock},
        {"h1", kBlock},
        {"h2", kBlock},
        {"h3", kBlock},
        {"h4", kBlock},
        {"h5", kBlock},
        {"h6", kBlock},
        {"ul", kBlock},
        {"ol", kBlock},
        {"li", kBlock},
        {"table", kBlock | kTableLike},
        {"tr", kBlock | kTableLike},
        {"tbody", kTableLike},
        {"thead", kTableLike},
        {"tfoot", kTableLike},
        {"form", kBlock},
        {"title", kBlock},
        {"blockquote", kBlock},
        {"pre", kBlock},
        {"hr", kBlock},
        {"center", kBlock},
        {"dl", kBlock},
        {"dt", kBlock},
        {"dd", kBlock},
        {"address", kBlock},
        {"fieldset", kBlock},
        {"td", kCell},
        {"th", kCell},
    };
    if (n->type != XML_ELEMENT_NODE || !n->name)
        return kInline;
    const auto* name = reinterpret_cast<const char*>(n->name);
    const auto it = kinds.find(std::string_view(name));
    return it == kinds.end() ? kInline : it->second;
}

bool isElementName(const xmlNode* n, const char* name)
{
    return n->type == XML_ELEMENT_NODE && n->name
           && std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0;
}

// Next node in document order below `root`; descends into elements only.
const xmlNode* nextInOrder(const xmlNode* n, const xmlNode* root, bool descend = true)
{
    if (descend && n->type == XML_ELEMENT_NODE && n->children)
        return n->children;
    while (n && n != root) {
        if (n->next)
            return n->next;
        n = n->parent;
    }
    return nullptr;
}

// Lays text out line by line the way the browser control's innerText does.
class TextLayout {
public:
    void text(const xmlChar* content, bool dropIfBlank)
    {
        if (!content)
            return;
        const auto* s = reinterpret_cast<const char*>(content);
        if (dropIfBlank) {
            const char* p = s;
            while (*p && isAsciiSpace(*p))
                ++p;
            if (!*p)
                return;
        }
        for (const char* p = s; *p; ++p) {
            if (isAsciiSpace(*p)) {
                pendingBlank_ = true;
                continue;
            }
            if (pendingBlank_ && !line_.empty() && !atContentStart_)
                line_ += ' ';
            pendingBlank_ = false;
            atContentStart_ = false;
            line_ += *p;
        }
    }

    // Start of a cell's content: its leading blanks are not rendered, nor
    // is a blank left over from before it.
    void cellStart()
    {
        pendingBlank_ = false;
        atContentStart_ = true;
    }
    // End of a cell's content: its trailing blanks are not rendered.
    void cellEnd() { pendingBlank_ = false; }

    void lineBreak()
    {
        pendingBlank_ = false;
        trim(line_);
        if (line_.empty())
            return; // several breaks in a row give one
        if (!out_.empty())
            out_ += "\r\n";
        out_ += line_;
        line_.clear();
    }

    QString finish()
    {
        lineBreak();
        return fromUtf8Keeping(out_.data(), qsizetype(out_.size()));
    }

private:
    static void trim(std::string& s)
    {
        static constexpr std::string_view nbsp = "\xC2\xA0";
        for (;;) {
            if (!s.empty() && s.back() == ' ')
                s.pop_back();
            else if (s.size() >= 2 && std::string_view(s).substr(s.size() - 2) == nbsp)
                s.resize(s.size() - 2);
            else
                break;
        }
        size_t start = 0;
        for (;;) {
            if (start < s.size() && s[start] == ' ')
                ++start;
            else if (std::string_view(s).substr(start, 2) == nbsp)
                start += 2;
            else
                break;
        }
        s.erase(0, start);
    }

    std::string out_;
    std::string line_;
    bool pendingBlank_ = false;
    bool atContentStart_ = false;
};

} // namespace

struct HtmlDocument::Tree {
    xmlDocPtr doc = nullptr;
    QUrl address;
    QString encoding = QStringLiteral("utf-8");

    Tree() = default;
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
    ~Tree()
    {
        if (doc)
            xmlFreeDoc(doc);
    }
    const xmlNode* root() const { return doc ? xmlDocGetRootElement(doc) : nullptr; }
};

HtmlDocument::HtmlDocument() : tree_(std::make_shared<const Tree>()) {}

QByteArray HtmlDocument::charsetParameter(const QByteArray& contentType)
{
    return charsetIn(contentType.constData(), contentType.size()).trimmed();
}

QByteArray HtmlDocument::declaredCharset(const QByteArray& bytes)
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

HtmlDocument HtmlDocument::parse(const QByteArray& bytes, const QByteArray& httpCharset,
                                 const QUrl& address)
{
    initLibxml();
    auto tree = std::make_shared<Tree>();
    tree->address = address;

    // A byte order mark outranks everything, then the HTTP header, then the
    // page's own <meta>; pages that say nothing are from the windows-1252 era.
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
    tree->encoding = QString::fromLatin1(charset->name);

    // Without the huge option libxml2 stops reading at 256 open elements, and
    // a page that never closes its FONT tags would lose everything after.
    int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR
                  | HTML_PARSE_NOWARNING | HTML_PARSE_COMPACT | HTML_PARSE_NODEFDTD
                  | XML_PARSE_HUGE;
    const QByteArray input = toUtf8(body, charset->reader);
    const int size = int(qMin<qsizetype>(input.size(), INT_MAX));
    if (size > 0) {
        if (charset->reader == Reader::Libxml) {
            tree->doc = htmlReadMemory(input.constData(), size, nullptr,
                                       charset->name.constData(), options);
        } else {
            options |= HTML_PARSE_IGNORE_ENC;
            tree->doc = htmlReadMemory(input.constData(), size, nullptr, "UTF-8", options);
        }
    }
    HtmlDocument d;
    d.tree_ = std::move(tree);
    return d;
}

QString HtmlDocument::innerText() const
{
    const xmlNode* root = tree_->root();
    if (!root)
        return {};
    TextLayout layout;
    // An iterative walk: a page of thousands of unclosed tags nests deeply.
    const xmlNode* n = root;
    while (n) {
        const unsigned kind = kindOf(n);
        bool entered = false;
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            const bool inTable = n->parent && (kindOf(n->parent) & kTableLike);
            layout.text(n->content, inTable);
        } else if (n->type == XML_ELEMENT_NODE && !(kind & kSkip)) {
            if (kind & kBreak)
                layout.lineBreak();
            if (kind & kBlock)
                layout.lineBreak();
            if (kind & kCell)
                layout.cellStart();
            entered = true;
        }
        if (entered && n->children) {
            n = n->children;
            continue;
        }
        // Leave n and every ancestor whose last child it was.
        const xmlNode* done = entered ? n : nullptr;
        for (;;) {
            if (done) {
                const unsigned k = kindOf(done);
                if (k & kCell)
                    layout.cellEnd();
                if (k & kBlock)
                    layout.lineBreak();
            }
            if (n == root) {
                n = nullptr;
                break;
            }
            if (n->next) {
                n = n->next;
                break;
            }
            n = n->parent;
            done = n;
            if (!n)
                break;
        }
    }
    return layout.finish();
}

QString HtmlDocument::innerHtml() const
{
    const xmlNode* root = tree_->root();
    if (!root)
        return {};
    initLibxml();
    xmlOutputBufferPtr out = xmlAllocOutputBuffer(nullptr);
    if (!out)
        return {};
    for (xmlNodePtr c = root->children; c; c = c->next)
        htmlNodeDumpFormatOutput(out, tree_->doc, c, nullptr, 0);
    xmlOutputBufferFlush(out);
    const auto* content = reinterpret_cast<const char*>(xmlOutputBufferGetContent(out));
    const qsizetype size = content ? qsizetype(xmlOutputBufferGetSize(out)) : 0;
    QString html = fromUtf8Keeping(content, size);
    xmlOutputBufferClose(out);
    return html;
}

std::optional<QUrl> HtmlDocument::firstFrameSource() const
{
    const xmlNode* root = tree_->root();
    if (!root)
        return std::nullopt;
    const xmlNode* frame = nullptr;
    QUrl base = tree_->address;
    bool baseSeen = false;
    for (const xmlNode* n = root; n && !(frame && baseSeen); n = nextInOrder(n, root)) {
        if (n->type != XML_ELEMENT_NODE)
            continue;
        if (!frame && (isElementName(n, "frame") || isElementName(n, "iframe"))) {
            frame = n;
        } else if (!baseSeen && isElementName(n, "base")) {
            xmlChar* href = xmlGetProp(n, BAD_CAST "href");
            if (href) {
                const QString h =
                    QString::fromUtf8(reinterpret_cast<const char*>(href)).trimmed();
                xmlFree(href);
                if (!h.isEmpty()) {
                    base = tree_->address.resolved(QUrl(h, QUrl::TolerantMode));
                    baseSeen = true;
                }
            }
        }
    }
    if (!frame)
        return std::nullopt;
    xmlChar* src = xmlGetProp(frame, BAD_CAST "src");
    QString s;
    if (src) {
        s = QString::fromUtf8(reinterpret_cast<const char*>(src));
        xmlFree(src);
    }
    // Browsers drop line breaks and tabs inside an address, and the blanks around it.
    s.remove(QLatin1Char('\n')).remove(QLatin1Char('\r')).remove(QLatin1Char('\t'));
    s = s.trimmed();
    if (s.isEmpty())
        return QUrl();
    return base.resolved(QUrl(s, QUrl::TolerantMode));
}

QString HtmlDocument::encoding() const
{
    return tree_->encoding;
}

QUrl HtmlDocument::address() const
{
    return tree_->address;
}

} // namespace zelvane
