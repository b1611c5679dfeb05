// The page as a libxml2 tree: its markup, and its text by walking the tree,
// which the streaming reader must always agree with.
#include "browser/HtmlTextLayout.h"

#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

namespace zelvane::html {

namespace {

bool is(const char* name, const char* other)
{
    return std::strcmp(name, other) == 0;
}

unsigned kindOf(const xmlNode* n)
{
    if (n->type != XML_ELEMENT_NODE || !n->name)
        return kInline;
    return elementKind(reinterpret_cast<const char*>(n->name));
}

void textNode(TextLayout& layout, const xmlNode* n)
{
    if (!n->content)
        return;
    const auto* s = reinterpret_cast<const char*>(n->content);
    const size_t size = std::strlen(s);
    if (n->parent && (kindOf(n->parent) & kTableLike) && allBlank(s, size))
        return;
    layout.text(s, size);
}

} // namespace

// Called for every element of a page; a switch beats hashing the name.
unsigned elementKind(const char* name)
{
    switch (name[0]) {
    case 'a':
        return is(name, "address") ? kBlock : kInline;
    case 'b':
        return is(name, "br") ? kBreak : is(name, "blockquote") ? kBlock : kInline;
    case 'c':
        return is(name, "center") ? kBlock : kInline;
    case 'd':
        return is(name, "div") || is(name, "dl") || is(name, "dt") || is(name, "dd") ? kBlock
                                                                                    : kInline;
    case 'f':
        return is(name, "form") || is(name, "fieldset") ? kBlock : kInline;
    case 'h':
        if ((name[1] >= '1' && name[1] <= '6' && name[2] == 0) || is(name, "hr"))
            return kBlock;
        return kInline;
    case 'l':
        return is(name, "li") ? kBlock : kInline;
    case 'n':
        return is(name, "noscript") ? kSkip : kInline;
    case 'o':
        return is(name, "ol") ? kBlock : kInline;
    case 'p':
        return is(name, "p") || is(name, "pre") ? kBlock : kInline;
    case 's':
        return is(name, "script") || is(name, "style") ? kSkip : kInline;
    case 't':
        if (is(name, "td") || is(name, "th"))
            return kCell;
        if (is(name, "tr") || is(name, "table"))
            return kBlock | kTableLike;
        if (is(name, "tbody") || is(name, "thead") || is(name, "tfoot"))
            return kTableLike;
        return is(name, "title") ? kBlock : kInline;
    case 'u':
        return is(name, "ul") ? kBlock : kInline;
    default:
        return kInline;
    }
}

QString treeText(const xmlDoc* doc)
{
    const xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (!root)
        return {};
    TextLayout layout;
    // An iterative walk: a page of thousands of unclosed tags nests deeply.
    const xmlNode* n = root;
    while (n) {
        const unsigned kind = kindOf(n);
        bool entered = false;
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            textNode(layout, n);
        } else if (n->type == XML_ELEMENT_NODE && !(kind & kSkip)) {
            if (kind & (kBreak | kBlock))
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

QString treeHtml(xmlDoc* doc)
{
    const xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
    if (!root)
        return {};
    xmlOutputBufferPtr out = xmlAllocOutputBuffer(nullptr);
    if (!out)
        return {};
    for (xmlNodePtr c = root->children; c; c = c->next)
        htmlNodeDumpFormatOutput(out, doc, c, nullptr, 0);
    xmlOutputBufferFlush(out);
    const auto* content = reinterpret_cast<const char*>(xmlOutputBufferGetContent(out));
    const qsizetype size = content ? qsizetype(xmlOutputBufferGetSize(out)) : 0;
    QString html = fromUtf8Keeping(content, size);
    xmlOutputBufferClose(out);
    return html;
}

} // namespace zelvane::html
