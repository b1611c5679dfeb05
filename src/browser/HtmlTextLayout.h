#pragma once

// How elements lay out their text, and the line layout itself: what both of
// the page readers (the event stream and the tree walk) share.

#include "browser/HtmlReading.h"

#include <cstring>
#include <string>
#include <string_view>

namespace zelvane::html {

enum Kind : unsigned {
    kInline = 0,
    kSkip = 1,      // gives no text at all
    kBreak = 2,     // br
    kBlock = 4,     // starts and ends a line
    kCell = 8,      // td, th: nothing between cells, edge blanks dropped
    kTableLike = 16 // whitespace-only text directly inside gives nothing
};

// By the lower-case name the parser gives.
unsigned elementKind(const char* name);

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline bool allBlank(const char* s, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (!isBlank(s[i]))
            return false;
    return true;
}

// Lays text out line by line the way the browser control's innerText does.
class TextLayout {
public:
    // A piece of a text node's UTF-8. Pieces of one node may come one by one.
    void text(const char* s, size_t n)
    {
        const char* const end = s + n;
        while (s < end) {
            if (isBlank(*s)) {
                pendingBlank_ = true;
                ++s;
                continue;
            }
            const char* word = s;
            while (s < end && !isBlank(*s))
                ++s;
            if (pendingBlank_ && !line_.empty() && !atContentStart_)
                line_ += ' ';
            pendingBlank_ = false;
            atContentStart_ = false;
            line_.append(word, size_t(s - word));
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

} // namespace zelvane::html
