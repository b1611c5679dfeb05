// Page events for UTF-8 pages, read the way libxml2 2.9.14's HTML parser
// reads them with the options runParser gives it: the same elements opened,
// implied and closed in the same order, the same text. libxml2 spends most
// of a page on per-character decoding and table lookups; this reads bytes
// and keeps small per-thread tables, several times faster.
//
// It only reads what it can repeat exactly. Anything rarer (bad or control
// bytes, processing instructions, a doctype inside the page, odd tag names,
// a tag cut off by the end) makes it give up, and the page goes to libxml2.
// Which start tags close which elements is asked of libxml2 itself.
#include "engine/HtmlEvents.h"
#include "engine/HtmlScanNames.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <cstring>

namespace zelvane::html {

namespace {

using namespace scan;

constexpr size_t kTextChunk = 1000; // libxml2 hands text over in pieces this long
constexpr int kProbesPerPage = 256;

class Scanner {
public:
    Scanner(const QByteArray& page, PageEvents& out)
        : p_(page.constData()), end_(page.constData() + page.size()), out_(out)
    {
    }

    void document()
    {
        skipSpaces();
        commentsBeforeContent();
        if (atDoctype())
            doctype();
        skipSpaces();
        commentsBeforeContent();
        content();
        closeAll();
    }

private:
    // The page's bytes end in a NUL (QByteArray's) and hold none before it.
    char cur() const { return *p_; }
    char at(size_t k) const { return size_t(end_ - p_) > k ? p_[k] : 0; }
    uint16_t top() const { return stack_.empty() ? kNoName : stack_.back(); }

    void skipSpaces()
    {
        while (isSpace(*p_))
            ++p_;
    }

    void skipTo(char c)
    {
        const void* hit = std::memchr(p_, c, size_t(end_ - p_));
        p_ = hit ? static_cast<const char*>(hit) : end_;
    }

    bool atComment() const { return cur() == '<' && at(1) == '!' && at(2) == '-' && at(3) == '-'; }

    bool atDoctype() const
    {
        static constexpr char kWord[] = "DOCTYPE";
        if (cur() != '<' || at(1) != '!')
            return false;
        for (size_t i = 0; i < 7; ++i)
            if ((at(2 + i) & ~0x20) != kWord[i])
                return false;
        return true;
    }

    void commentsBeforeContent()
    {
        while (atComment() || (cur() == '<' && at(1) == '?')) {
            if (at(1) == '?')
                throw Unsupported{};
            comment();
            skipSpaces();
        }
    }

    // Ends at the first "-->" or "--!>" after "<!--"; an unfinished one eats
    // the rest of the page and gives nothing.
    void comment()
    {
        for (const char* s = p_ + 4; s + 2 < end_; ++s) {
            if (s[0] != '-' || s[1] != '-')
                continue;
            if (s[2] == '>' || (s[2] == '!' && s + 3 < end_ && s[3] == '>')) {
                p_ = s + (s[2] == '>' ? 3 : 4);
                out_.otherNode();
                return;
            }
        }
        p_ = end_;
    }

    void doctype()
    {
        p_ += 9;
        skipSpaces();
        if (const char* e = nameEnd(p_, end_))
            p_ = e;
        skipSpaces();
        if (word("SYSTEM")) {
            skipSpaces();
            literal();
        } else if (word("PUBLIC")) {
            skipSpaces();
            literal();
            skipSpaces();
            literal();
        }
        skipSpaces();
        skipTo('>');
        if (p_ < end_)
            ++p_;
        out_.doctype();
    }

    bool word(const char* w)
    {
        for (size_t i = 0; w[i]; ++i)
            if ((at(i) & ~0x20) != w[i])
                return false;
        p_ += std::strlen(w);
        return true;
    }

    void literal()
    {
        const char q = cur();
        if (q != '"' && q != '\'')
            return;
        ++p_;
        skipTo(q);
        if (p_ < end_)
            ++p_;
    }

    // The element loop of libxml2's content parser, step for step: the open
    // element it last settled on decides whether raw script text follows.
    void content()
    {
        uint16_t current = top();
        size_t depth = stack_.size();
        for (;;) {
            if (cur() == '<' && at(1) == '/') {
                if (endTag() && (current != kNoName || stack_.empty())) {
                    current = top();
                    depth = stack_.size();
                }
                continue;
            }
            if (cur() == '<' && (isLetter(at(1)) || at(1) == '_' || at(1) == ':')) {
                if (!isLetter(at(1)))
                    throw Unsupported{};
                const uint16_t name = peekTagName();
                if (!stack_.empty() && closes(name, top())) {
                    autoClose(name);
                    continue;
                }
            }
            if (!stack_.empty() && depth >= stack_.size() && current != top()) {
                current = top();
                depth = stack_.size();
                continue;
            }
            if (p_ < end_ && (current == kScript || current == kStyle)) {
                rawText();
            } else if (atDoctype()) {
                throw Unsupported{}; // a doctype inside the page
            } else if (atComment()) {
                comment();
            } else if (cur() == '<' && at(1) == '?') {
                throw Unsupported{};
            } else if (cur() == '<' && isLetter(at(1))) {
                element();
                current = top();
                depth = stack_.size();
            } else if (cur() == '<') {
                out_.characters("<", 1);
                ++p_;
            } else if (cur() == '&') {
                reference();
            } else if (p_ == end_) {
                return;
            } else {
                text();
            }
        }
    }

    // A tag name as libxml2 reads it, from s on, which is left after it.
    // The look-ahead for start tags stops at dots where the tag itself
    // does not.
    uint16_t tagName(const char*& s, bool dots)
    {
        char buf[kNameMax];
        size_t n = 0;
        while (isTagNameChar(*s) && (dots || *s != '.')) {
            if (n == kNameMax)
                throw Unsupported{}; // libxml2 cuts it short
            buf[n++] = lower(*s++);
        }
        return names().id(std::string_view(buf, n));
    }

    // The start tag's name after '<', read once for the look-ahead and the
    // tag; one the two would read differently is left to libxml2.
    uint16_t peekTagName()
    {
        if (peeked_ != p_) {
            peekedEnd_ = p_ + 1;
            peekedName_ = tagName(peekedEnd_, false);
            if (*peekedEnd_ == '.')
                throw Unsupported{};
            peeked_ = p_;
        }
        return peekedName_;
    }

    bool closes(uint16_t newTag, uint16_t oldTag) { return names().closes(newTag, oldTag, probes_); }

    void push(uint16_t name)
    {
        if (html_ < 3 && name == kHead)
            html_ = 3;
        if (html_ < 10 && name == kBody)
            html_ = 10;
        stack_.push_back(name);
    }

    void open(uint16_t name)
    {
        push(name);
        out_.startElement(names()[name].kind);
    }

    void close()
    {
        out_.endElement();
        stack_.pop_back();
    }

    void autoClose(uint16_t newTag)
    {
        while (!stack_.empty() && closes(newTag, top()))
            close();
    }

    void closeAll()
    {
        while (!stack_.empty())
            close();
    }

    // The html, head and body elements a page leaves out.
    void implied(uint16_t newTag)
    {
        if (newTag == kHtml)
            return;
        if (stack_.empty())
            open(kHtml);
        if (newTag == kBody || newTag == kHead)
            return;
        if (stack_.size() <= 1
            && (newTag == kScript || newTag == kStyle || newTag == kMeta || newTag == kLink
                || newTag == kTitle || newTag == kBase)) {
            if (html_ < 3)
                open(kHead);
        } else if (newTag != kNoframes && newTag != kFrame && newTag != kFrameset) {
            if (html_ >= 10)
                return;
            for (const uint16_t n : stack_)
                if (n == kBody || n == kHead)
                    return;
            open(kBody);
        }
    }

    // Text straight inside html or head, or outside everything, is put in a
    // paragraph of its own.
    void paragraph()
    {
        const uint16_t t = top();
        if (t != kNoName && t != kHtml && t != kHead)
            return;
        autoClose(kP);
        implied(kP);
        open(kP);
    }

    void element()
    {
        const uint16_t name = peekTagName();
        p_ = peekedEnd_;
        autoClose(name);
        implied(name);
        bool discard = false;
        if ((name == kHtml && !stack_.empty()) || (name == kHead && stack_.size() != 1)) {
            discard = true;
            ++discarded_;
        }
        if (name == kBody)
            for (const uint16_t n : stack_)
                if (n == kBody) {
                    discard = true;
                    ++discarded_;
                }
        const Attributes a = attributes(name);
        if (!discard) {
            open(name);
            if (name == kFrame || name == kIframe) {
                if (out_.wantsFrame())
                    out_.frame(a.value);
            } else if (name == kBase && out_.wantsBase()) {
                out_.base(a.value);
            }
        }
        // What follows the tag applies to the open element, which is not the
        // tag's own when the tag was dropped.
        if (stack_.empty()) {
            if (cur() == '>')
                ++p_;
            return;
        }
        if (cur() == '/' && at(1) == '>') {
            p_ += 2;
            close();
            return;
        }
        if (cur() != '>')
            throw Unsupported{}; // the page ends inside the tag
        ++p_;
        if (names()[top()].empty)
            close();
    }

    struct Attributes {
        QString value; // of src for frames, of href for base
        bool seen = false;
    };

    // Skips the attributes as libxml2 reads them; of frames and base only
    // the address is kept.
    Attributes attributes(uint16_t element)
    {
        const char* wanted = element == kFrame || element == kIframe ? "src"
                             : element == kBase                      ? "href"
                                                                     : nullptr;
        Attributes a;
        skipSpaces();
        while (p_ < end_ && cur() != '>' && !(cur() == '/' && at(1) == '>')) {
            if (isTagNameChar(cur()) && !isDigit(cur()) && cur() != '-') {
                const char* name = p_;
                while (isTagNameChar(*p_) && size_t(p_ - name) < kNameMax)
                    ++p_;
                const size_t nameSize = size_t(p_ - name);
                skipSpaces();
                const char* value = nullptr;
                const char* valueEnd = nullptr;
                if (cur() == '=') {
                    ++p_;
                    skipSpaces();
                    attributeValue(value, valueEnd);
                }
                if (wanted && !a.seen && nameSize == std::strlen(wanted)
                    && std::equal(name, name + nameSize, wanted,
                                  [](char x, char y) { return lower(x) == y; })) {
                    a.seen = true;
                    if (value)
                        a.value = QString::fromStdString(decoded(value, valueEnd));
                }
            } else {
                while (p_ < end_ && !isSpace(cur()) && cur() != '>'
                       && !(cur() == '/' && at(1) == '>'))
                    ++p_;
            }
            skipSpaces();
        }
        return a;
    }

    // An attribute value with its references read.
    std::string decoded(const char* s, const char* end)
    {
        std::string out;
        char buf[4];
        while (s < end) {
            if (*s != '&') {
                out += *s++;
            } else if (s[1] == '#') {
                out.append(buf, appendUtf8(buf, charRef(s)));
            } else if (const char* e = nameEnd(++s, end_)) {
                const uint32_t c = *e == ';' ? names().entity(std::string_view(s, size_t(e - s))) : 0;
                if (c) {
                    out.append(buf, appendUtf8(buf, c));
                    s = e + 1;
                } else {
                    out.append(s - 1, e);
                    s = e;
                }
            } else {
                out += '&';
            }
        }
        return out;
    }

    void attributeValue(const char*& value, const char*& valueEnd)
    {
        const char q = cur();
        if (q == '"' || q == '\'') {
            value = ++p_;
            skipTo(q);
            valueEnd = p_;
            if (p_ < end_)
                ++p_;
            return;
        }
        value = p_;
        while (p_ < end_ && cur() != '>' && !isSpace(cur()))
            ++p_;
        valueEnd = p_;
    }

    // "</name ...>": closes the element and any the name may close above it.
    bool endTag()
    {
        p_ += 2;
        const char c = cur();
        if (!isLetter(c) && c != '_' && c != ':' && c != '.')
            return false;
        const uint16_t name = tagName(p_, true);
        skipSpaces();
        skipTo('>');
        if (p_ < end_)
            ++p_;
        if (discarded_ > 0 && (name == kHtml || name == kBody || name == kHead)) {
            --discarded_;
            return false;
        }
        if (std::find(stack_.begin(), stack_.end(), name) == stack_.end())
            return false;
        // An end tag closes what is open above its element only when none
        // of that outranks it.
        const int priority = names()[name].endPriority;
        for (auto it = stack_.rbegin(); *it != name; ++it)
            if (names()[*it].endPriority > priority)
                return false;
        while (top() != name)
            close();
        close();
        return true;
    }

    // Script and style content runs to "</" and the element's own name.
    void rawText()
    {
        const std::string& name = names()[top()].name;
        const char* s = p_;
        for (;;) {
            skipTo('<');
            if (p_ == end_)
                break;
            if (at(1) == '/' && size_t(end_ - p_) >= name.size() + 2
                && std::equal(name.begin(), name.end(), p_ + 2,
                              [](char x, char y) { return x == lower(y); }))
                break;
            ++p_;
        }
        if (p_ > s) {
            out_.otherNode();
            out_.characters(s, size_t(p_ - s));
            out_.otherNode();
        }
    }

    void text()
    {
        const char* s = p_;
        while (*p_ != '<' && *p_ != '&' && *p_)
            ++p_;
        const size_t n = size_t(p_ - s);
        if (mayImplyParagraph()) {
            // libxml2 decides per piece, and on a full piece looks at the
            // wrong character.
            if (n >= kTextChunk)
                throw Unsupported{};
            bool blank = p_ == end_ || cur() == '<';
            for (size_t i = 0; blank && i < n; ++i)
                blank = isSpace(s[i]);
            if (!blank)
                paragraph();
        }
        out_.characters(s, n);
    }

    bool mayImplyParagraph() const
    {
        const uint16_t t = top();
        return t == kNoName || t == kHtml || t == kHead;
    }

    void reference()
    {
        char buf[4];
        if (at(1) == '#') {
            const uint32_t c = charRef(p_);
            paragraph();
            out_.characters(buf, appendUtf8(buf, c));
            return;
        }
        const char* name = ++p_;
        const char* e = nameEnd(name, end_);
        paragraph();
        if (!e) {
            out_.characters("&", 1);
            return;
        }
        p_ = e;
        if (*p_ == ';') {
            if (const uint32_t c = names().entity(std::string_view(name, size_t(e - name)))) {
                ++p_;
                out_.characters(buf, appendUtf8(buf, c));
                return;
            }
        }
        out_.characters("&", 1);
        out_.characters(name, size_t(e - name));
    }

    static Names& names() { return Names::ofThisThread(); }

    const char* p_;
    const char* const end_;
    PageEvents& out_;
    std::vector<uint16_t> stack_;
    int html_ = 1;      // 3 once a head was opened, 10 once a body was
    int discarded_ = 0; // html, head and body start tags dropped
    int probes_ = kProbesPerPage;
    const char* peeked_ = nullptr;
    const char* peekedEnd_ = nullptr;
    uint16_t peekedName_ = kNoName;
};

// The reading repeated here is this release's; another may read differently.
bool scannerMatchesLibxml()
{
    static const bool same = std::strcmp(xmlParserVersion, "20914") == 0;
    return same;
}

} // namespace

std::optional<StreamedPage> scanPage(const QByteArray& utf8)
{
    if (utf8.isEmpty() || !scannerMatchesLibxml() || utf8.startsWith("\xEF\xBB\xBF")
        || !plainCharacters(reinterpret_cast<const unsigned char*>(utf8.constData()),
                            size_t(utf8.size())))
        return std::nullopt;
    PageEvents events;
    try {
        Scanner(utf8, events).document();
    } catch (const Unsupported&) {
        return std::nullopt;
    }
    return events.finish();
}

} // namespace zelvane::html
