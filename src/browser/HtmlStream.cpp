// The page's text, first frame and base address in one pass over libxml2's
// parser events, without building the tree.
#include "browser/HtmlEvents.h"

#include <libxml/HTMLparser.h>

namespace zelvane::html {

namespace {

const char* chars(const xmlChar* s)
{
    return reinterpret_cast<const char*>(s);
}

QString attribute(const xmlChar** atts, const char* name)
{
    for (const xmlChar** a = atts; a && a[0]; a += 2)
        if (std::strcmp(chars(a[0]), name) == 0)
            return a[1] ? QString::fromUtf8(chars(a[1])) : QString();
    return {};
}

PageEvents* events(void* ctx)
{
    return static_cast<PageEvents*>(ctx);
}

void startElement(void* ctx, const xmlChar* name, const xmlChar** atts)
{
    PageEvents& e = *events(ctx);
    const char* n = chars(name);
    e.startElement(elementKind(n));
    if (e.wantsFrame() && (std::strcmp(n, "frame") == 0 || std::strcmp(n, "iframe") == 0))
        e.frame(attribute(atts, "src"));
    else if (e.wantsBase() && std::strcmp(n, "base") == 0)
        e.base(attribute(atts, "href"));
}

} // namespace

StreamedPage streamPage(const PageInput& page)
{
    htmlSAXHandler handler{};
    handler.initialized = 1;
    handler.startElement = startElement;
    handler.endElement = [](void* ctx, const xmlChar*) { events(ctx)->endElement(); };
    handler.characters = [](void* ctx, const xmlChar* s, int n) {
        if (n > 0)
            events(ctx)->characters(chars(s), size_t(n));
    };
    handler.cdataBlock = [](void* ctx, const xmlChar* s, int n) {
        events(ctx)->otherNode();
        if (n > 0)
            events(ctx)->characters(chars(s), size_t(n));
        events(ctx)->otherNode();
    };
    handler.comment = [](void* ctx, const xmlChar*) { events(ctx)->otherNode(); };
    handler.processingInstruction = [](void* ctx, const xmlChar*, const xmlChar*) {
        events(ctx)->otherNode();
    };
    handler.internalSubset = [](void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
        events(ctx)->doctype();
    };
    PageEvents e;
    runParser(page, &handler, &e);
    return e.finish();
}

} // namespace zelvane::html
