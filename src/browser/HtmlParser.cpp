// libxml2 set up the one way both page readers (events and tree) use it, and kept quiet.
#include "browser/HtmlReading.h"

#include <QLoggingCategory>

#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <climits>
#include <mutex>

namespace zelvane::html {

namespace {

// Off unless QT_LOGGING_RULES asks for it: bad bytes in a page are the
// site's business, and zelvane-check under cron mails whatever reaches stderr.
Q_LOGGING_CATEGORY(lcPage, "zelvane.page", QtWarningMsg)

void dropGenericError(void*, const char*, ...) {}

void logStructuredError(void*, xmlError* error)
{
    if (error && error->message)
        qCDebug(lcPage, "libxml2: %s", QByteArray(error->message).trimmed().constData());
}

// libxml2 sends what it finds wrong with a page (encoding errors from the
// converters, I/O errors) to stderr unless told otherwise. Its handlers are
// per thread, so they are set around each parse and put back afterwards.
class QuietErrors {
public:
    QuietErrors()
        : generic_(xmlGenericError), genericCtx_(xmlGenericErrorContext),
          structured_(xmlStructuredError), structuredCtx_(xmlStructuredErrorContext)
    {
        xmlSetGenericErrorFunc(nullptr, dropGenericError);
        xmlSetStructuredErrorFunc(nullptr, logStructuredError);
    }
    ~QuietErrors()
    {
        xmlSetGenericErrorFunc(genericCtx_, generic_);
        xmlSetStructuredErrorFunc(structuredCtx_, structured_);
    }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    xmlGenericErrorFunc generic_;
    void* genericCtx_;
    xmlStructuredErrorFunc structured_;
    void* structuredCtx_;
};

// UTF-8 goes in as it is: a conversion pass would copy the page once more
// into a buffer grown by doubling, costing a 1 MB page more than the parse.
htmlParserCtxtPtr utf8Context(const char* bytes, int size)
{
    htmlParserCtxtPtr ctxt = htmlCreateMemoryParserCtxt(bytes, size);
    if (!ctxt)
        return nullptr;
    // Named, as a converted page's is, so a built tree says what it holds.
    ctxt->input->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
    // Otherwise the first byte over 0x7F makes it guess Latin-1.
    ctxt->charset = XML_CHAR_ENCODING_UTF8;
    return ctxt;
}

// Without the huge option libxml2 stops reading at 256 open elements, and
// a page that never closes its FONT tags would lose everything after.
constexpr int kOptions = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR
                         | HTML_PARSE_NOWARNING | HTML_PARSE_COMPACT | HTML_PARSE_NODEFDTD
                         | XML_PARSE_HUGE;

} // namespace

void initLibxml()
{
    static std::once_flag once;
    std::call_once(once, [] { xmlInitParser(); });
}

void DocFree::operator()(xmlDoc* doc) const
{
    xmlFreeDoc(doc);
}

DocPtr runParser(const PageInput& page, xmlSAXHandler* handler, void* user)
{
    const int size = int(qMin<qsizetype>(page.bytes.size(), INT_MAX));
    if (size <= 0)
        return nullptr;
    initLibxml();
    const QuietErrors quiet;

    // What htmlReadMemory does, with room to swap in a handler: the event
    // reader and the tree reader must see the very same parse.
    htmlParserCtxtPtr ctxt = utf8Context(page.bytes.constData(), size);
    if (!ctxt)
        return nullptr;
    if (handler) {
        *ctxt->sax = *handler;
        ctxt->userData = user;
    }
    // The page is UTF-8 already, whatever its <meta> says.
    htmlCtxtUseOptions(ctxt, kOptions | HTML_PARSE_IGNORE_ENC);
    htmlParseDocument(ctxt);
    DocPtr doc(handler ? nullptr : ctxt->myDoc);
    if (handler && ctxt->myDoc)
        xmlFreeDoc(ctxt->myDoc);
    ctxt->myDoc = nullptr;
    if (doc && ctxt->dictNames && doc->dict == ctxt->dict)
        ctxt->dict = nullptr; // the tree keeps the names
    htmlFreeParserCtxt(ctxt);
    return doc;
}

} // namespace zelvane::html
