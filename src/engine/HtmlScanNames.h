#pragma once

// What the page scanner shares about bytes and element names, read the way
// libxml2 2.9.14's HTML parser reads them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelvane::html::scan {

// Thrown where a page holds something the scanner does not repeat exactly.
struct Unsupported {};

constexpr size_t kNameMax = 100; // libxml2 cuts names there

inline bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
// What libxml2 skips as blanks; \f is not one (and is not a character at all).
inline bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
inline bool isTagNameChar(char c)
{
    return isLetter(c) || isDigit(c) || c == ':' || c == '-' || c == '_' || c == '.';
}
inline bool isNameStart(char c)
{
    return isLetter(c) || c == '_' || c == ':';
}
inline char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// Characters libxml2 takes as they are: valid UTF-8 of XML characters, no
// NUL or control bytes but tab, line feed and carriage return.
bool plainCharacters(const unsigned char* s, size_t n);
bool isXmlChar(uint32_t c);
// Writes c as UTF-8 (at most four bytes) and says how many.
size_t appendUtf8(char* out, uint32_t c);
// "&#65;" or "&#x41;" at s, which is left after it.
uint32_t charRef(const char*& s);
// Where the name libxml2 reads at s (a doctype's, an entity's) ends, in a
// page ending at `end`; nullptr where it reads none and leaves the cursor.
const char* nameEnd(const char* s, const char* end);

// Names the parser's rules single out, at fixed ids.
enum Fixed : uint16_t {
    kHtml, kHead, kBody, kP, kScript, kStyle, kMeta, kLink, kTitle, kBase, kNoframes,
    kFrame, kFrameset, kIframe, kFixedCount
};
constexpr uint16_t kNoName = 0xFFFF;

struct NameInfo {
    std::string name; // lower case
    unsigned kind;    // as elementKind() gives it
    int endPriority;  // which end tags may close it when left open
    bool empty;       // closed as soon as opened
};

// Element names seen on this thread, and what libxml2 said about them.
class Names {
public:
    static Names& ofThisThread();

    uint16_t id(std::string_view lowerCaseName);
    const NameInfo& operator[](uint16_t id) const { return info_[id]; }
    // Whether a `newTag` start tag closes an open `oldTag`; asking libxml2
    // the first time costs one of `probes`.
    bool closes(uint16_t newTag, uint16_t oldTag, int& probes);
    // The character an entity name stands for; 0 for none.
    uint32_t entity(std::string_view name);

private:
    Names();

    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, uint16_t, Hash, std::equal_to<>> ids_;
    std::vector<NameInfo> info_;
    std::vector<std::vector<signed char>> closes_; // [old][new]: -1 not asked yet
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> entities_;
};

} // namespace zelvane::html::scan
