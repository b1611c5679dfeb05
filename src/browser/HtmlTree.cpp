// The page as a libxml2 tree: its markup, and its text by walking the tree,
// which the streaming reader must always agree with.
#include "browser/HtmlTextLayout.h"

#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <vector>

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

namespace {

// Visits root and everything below it in document order without recursion
// (a page of thousands of unclosed tags nests deeply): enter(n) says whether
// to go into n, leave(n) comes after the children of every node entered.
template <class Enter, class Leave>
void walk(const xmlNode* root, Enter enter, Leave leave)
{
    const xmlNode* n = root;
    while (n) {
        const bool entered = enter(n);
        if (entered && n->children) {
            n = n->children;
            continue;
        }
        // Leave n and every ancestor whose last child it was.
        const xmlNode* done = entered ? n : nullptr;
        for (;;) {
            if (done)
                leave(done);
            if (n == root)
                return;
            if (n->next) {
                n = n->next;
                break;
            }
            n = n->parent;
            done = n;
            if (!n)
                return;
        }
    }
}

// The innerText of one element.
QString nodeText(const xmlNode* root)
{
    if (!root)
        return {};
    TextLayout layout;
    const auto enter = [&layout](const xmlNode* n) {
        const unsigned kind = kindOf(n);
        if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE) {
            textNode(layout, n);
            return false;
        }
        if (n->type != XML_ELEMENT_NODE || (kind & kSkip))
            return false;
        if (kind & (kBreak | kBlock))
            layout.lineBreak();
        if (kind & kCell)
            layout.cellStart();
        return true;
    };
    const auto leave = [&layout](const xmlNode* n) {
        const unsigned kind = kindOf(n);
        if (kind & kCell)
            layout.cellEnd();
        if (kind & kBlock)
            layout.lineBreak();
    };
    walk(root, enter, leave);
    return layout.finish();
}

bool named(const xmlNode* n, const char* name)
{
    return n->type == XML_ELEMENT_NODE && n->name && is(reinterpret_cast<const char*>(n->name), name);
}

} // namespace

QString treeText(const xmlDoc* doc)
{
    return nodeText(doc ? xmlDocGetRootElement(doc) : nullptr);
}

QList<TableRows> treeTables(const xmlDoc* doc)
{
    const xmlNode* root = doc ? xmlDocGetRootElement(doc) : nullptr;
    QList<TableRows> tables;
    if (!root)
        return tables;
    // The table each open table element became; beyond the cap a table's
    // rows are not read, so no node is rendered more than that many times.
    std::vector<qsizetype> open;
    const auto enter = [&](const xmlNode* n) {
        if (n->type != XML_ELEMENT_NODE)
            return false;
        if (named(n, "table")) {
            const bool read = open.size() < size_t(kMaxTableNesting) && (open.empty() || open.back() >= 0);
            open.push_back(read ? tables.size() : -1);
            if (read)
                tables.append(TableRows());
        } else if (named(n, "tr") && !open.empty() && open.back() >= 0) {
            QStringList cells;
            for (const xmlNode* c = n->children; c; c = c->next)
                if (named(c, "td") || named(c, "th"))
                    cells << nodeText(c);
            tables[open.back()].append(cells);
        }
        return true;
    };
    const auto leave = [&open](const xmlNode* n) {
        if (named(n, "table"))
            open.pop_back();
    };
    walk(root, enter, leave);
    return tables;
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
