#pragma once

// A page's text, first frame and base address from libxml2's parser events,
// without building the tree.

#include "browser/HtmlTextLayout.h"

#include <vector>

namespace zelvane::html {

// Follows the events the way libxml2's tree builder places nodes, so that
// only what would be below the root element is rendered: the text is
// exactly what a walk of that tree gives.
class PageEvents {
public:
    // `kind` as elementKind() gives it for the element's name.
    void startElement(unsigned kind)
    {
        flushText();
        if (depth_++ == 0)
            counting_ = placeTopLevel();
        if (!counting_)
            return;
        kinds_.push_back(static_cast<unsigned char>(kind));
        if (skipOpen_ || (kind & kSkip)) {
            if (kind & kSkip)
                ++skipOpen_;
        } else {
            if (kind & (kBreak | kBlock))
                layout_.lineBreak();
            if (kind & kCell)
                layout_.cellStart();
        }
    }

    // Frames and base count wherever they are, scripts included: the first
    // frame or iframe, and the first base with an address.
    bool wantsFrame() const { return !page_.frameSource; }
    void frame(QString source) { page_.frameSource = std::move(source); }
    bool wantsBase() const { return !baseSeen_; }
    void base(const QString& href)
    {
        const QString h = href.trimmed();
        if (!h.isEmpty()) {
            page_.baseHref = h;
            baseSeen_ = true;
        }
    }

    void endElement()
    {
        flushText();
        if (depth_ == 0)
            return;
        --depth_;
        if (!counting_)
            return;
        const unsigned kind = kinds_.back();
        kinds_.pop_back();
        if (kind & kSkip) {
            --skipOpen_;
        } else if (!skipOpen_) {
            if (kind & kCell)
                layout_.cellEnd();
            if (kind & kBlock)
                layout_.lineBreak();
        }
    }

    void characters(const char* s, size_t n)
    {
        if (depth_ == 0 || !counting_ || skipOpen_ || n == 0)
            return;
        // Blank text right inside a table or row gives nothing, but the
        // parser may hand over one text node in several pieces.
        if ((kinds_.back() & kTableLike) && textNode_ != TextNode::HasText) {
            if (allBlank(s, n)) {
                textNode_ = TextNode::Blank;
                return;
            }
            if (textNode_ == TextNode::Blank)
                layout_.text(" ", 1);
        }
        textNode_ = TextNode::HasText;
        layout_.text(s, n);
    }

    // A comment or processing instruction: a node of its own that ends the
    // text node before it; at the top it decides where a second top-level
    // element goes.
    void otherNode()
    {
        flushText();
        if (depth_ == 0)
            docHasChild_ = true;
    }

    // The doctype, wherever it comes, is put first among the document's
    // children and leaves the open element's text alone.
    void doctype()
    {
        if (!doctype_)
            firstChildIsElement_ = false;
        doctype_ = true;
        docHasChild_ = true;
    }

    StreamedPage finish()
    {
        page_.text = layout_.finish();
        return std::move(page_);
    }

private:
    enum class TextNode { None, Blank, HasText };

    void flushText() { textNode_ = TextNode::None; }

    // An element opened with nothing open. The first child of the document
    // being an element means later top-level elements are put inside it.
    bool placeTopLevel()
    {
        if (!docHasChild_) {
            docHasChild_ = true;
            firstChildIsElement_ = true;
            rootSeen_ = true;
            return true;
        }
        if (firstChildIsElement_)
            return true;
        const bool isRoot = !rootSeen_;
        rootSeen_ = true;
        return isRoot;
    }

    TextLayout layout_;
    StreamedPage page_;
    std::vector<unsigned char> kinds_; // of the open elements below the root
    int depth_ = 0;                    // open elements, counted or not
    int skipOpen_ = 0;                 // open elements that give no text
    bool counting_ = false;            // the open top-level element is the root
    bool docHasChild_ = false;
    bool firstChildIsElement_ = false;
    bool rootSeen_ = false;
    bool doctype_ = false;
    bool baseSeen_ = false;
    TextNode textNode_ = TextNode::None;
};

} // namespace zelvane::html
