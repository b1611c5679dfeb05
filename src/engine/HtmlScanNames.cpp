// Bytes and element names as libxml2's HTML parser sees them.
#include "engine/HtmlScanNames.h"

#include "engine/HtmlReading.h"
#include "engine/HtmlTextLayout.h"

#include <libxml/HTMLparser.h>

namespace zelvane::html::scan {

namespace {

constexpr size_t kMaxNames = 1024; // per thread, so odd pages cannot grow it for ever

// Which end tags may close elements left open above them.
int endPriority(const std::string& name)
{
    static const std::unordered_map<std::string, int> table{
        {"div", 150}, {"td", 160},    {"th", 160},   {"tr", 170},   {"thead", 180},
        {"tbody", 180}, {"tfoot", 180}, {"table", 190}, {"head", 200}, {"body", 200},
        {"html", 220}};
    const auto it = table.find(name);
    return it == table.end() ? 100 : it->second;
}

} // namespace

bool plainCharacters(const unsigned char* s, size_t n)
{
    const unsigned char* const end = s + n;
    while (s < end) {
        const unsigned c = *s;
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
                return false;
            ++s;
            continue;
        }
        unsigned v;
        size_t len;
        if (c >= 0xC2 && c <= 0xDF) {
            v = c & 0x1F;
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            v = c & 0x0F;
            len = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            v = c & 0x07;
            len = 4;
        } else {
            return false;
        }
        if (size_t(end - s) < len)
            return false;
        for (size_t i = 1; i < len; ++i) {
            if ((s[i] & 0xC0) != 0x80)
                return false;
            v = v << 6 | (s[i] & 0x3F);
        }
        if ((len == 3 && (v < 0x800 || (v >= 0xD800 && v <= 0xDFFF) || v >= 0xFFFE))
            || (len == 4 && (v < 0x10000 || v > 0x10FFFF)))
            return false;
        s += len;
    }
    return true;
}

bool isXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
           || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

size_t appendUtf8(char* out, uint32_t c)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | c >> 6);
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | c >> 12);
        out[1] = char(0x80 | (c >> 6 & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | c >> 18);
    out[1] = char(0x80 | (c >> 12 & 0x3F));
    out[2] = char(0x80 | (c >> 6 & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

uint32_t charRef(const char*& s)
{
    s += 2;
    const bool hex = *s == 'x' || *s == 'X';
    if (hex)
        ++s;
    uint32_t value = 0;
    for (; *s != ';'; ++s) {
        int d;
        if (isDigit(*s))
            d = *s - '0';
        else if (hex && lower(*s) >= 'a' && lower(*s) <= 'f')
            d = lower(*s) - 'a' + 10;
        else
            break;
        if (value < 0x110000)
            value = value * (hex ? 16 : 10) + uint32_t(d);
    }
    if (*s == ';')
        ++s;
    if (!isXmlChar(value))
        throw Unsupported{}; // libxml2 drops it, and any paragraph with it
    return value;
}

const char* nameEnd(const char* s, const char* end)
{
    if (!isNameStart(*s)) {
        if (static_cast<unsigned char>(*s) >= 0x80)
            throw Unsupported{}; // libxml2 decodes letters beyond ASCII
        return nullptr;
    }
    while (isTagNameChar(*++s)) {
    }
    if (s == end)
        return nullptr;
    if (static_cast<unsigned char>(*s) >= 0x80)
        throw Unsupported{};
    return s;
}

Names& Names::ofThisThread()
{
    thread_local Names names;
    return names;
}

Names::Names()
{
    static constexpr const char* fixed[kFixedCount] = {
        "html", "head", "body", "p", "script", "style", "meta", "link", "title", "base",
        "noframes", "frame", "frameset", "iframe"};
    for (const char* n : fixed)
        id(n);
}

uint16_t Names::id(std::string_view name)
{
    if (const auto it = ids_.find(name); it != ids_.end())
        return it->second;
    if (info_.size() >= kMaxNames)
        throw Unsupported{};
    std::string s(name);
    const htmlElemDesc* d = htmlTagLookup(reinterpret_cast<const xmlChar*>(s.c_str()));
    info_.push_back({s, elementKind(s.c_str()), endPriority(s), d && d->empty});
    const auto n = static_cast<uint16_t>(info_.size() - 1);
    ids_.emplace(std::move(s), n);
    return n;
}

bool Names::closes(uint16_t newTag, uint16_t oldTag, int& probes)
{
    if (closes_.size() <= oldTag)
        closes_.resize(size_t(oldTag) + 1);
    std::vector<signed char>& row = closes_[oldTag];
    if (row.size() <= newTag)
        row.resize(size_t(newTag) + 1, -1);
    if (row[newTag] < 0) {
        if (--probes < 0)
            throw Unsupported{};
        row[newTag] = startTagCloses(info_[oldTag].name.c_str(), info_[newTag].name.c_str());
    }
    return row[newTag] != 0;
}

uint32_t Names::entity(std::string_view name)
{
    if (const auto it = entities_.find(name); it != entities_.end())
        return it->second;
    std::string s(name);
    const htmlEntityDesc* e = htmlEntityLookup(reinterpret_cast<const xmlChar*>(s.c_str()));
    const uint32_t c = e ? e->value : 0;
    if (entities_.size() < kMaxNames)
        entities_.emplace(std::move(s), c);
    return c;
}

} // namespace zelvane::html::scan
