#pragma once

// The insides of HtmlDocument: how page bytes become UTF-8, how they reach
// libxml2, and the two ways their text is rendered. Only the page reader and
// its checks use this.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

typedef struct _xmlDoc xmlDoc;
typedef struct _xmlSAXHandler xmlSAXHandler;

namespace zelvane::html {

// The page as the readers take it: always UTF-8, whatever set it came in.
struct PageInput {
    QByteArray bytes;
    // What HtmlDocument::encoding() reports.
    QString encoding;
};

// A byte order mark outranks everything, then the HTTP header, then the
// page's own <meta>; pages that say nothing are from the windows-1252 era.
PageInput decodePage(const QByteArray& bytes, const QByteArray& httpCharset);
QByteArray charsetParameter(const QByteArray& contentType);
QByteArray declaredCharset(const QByteArray& bytes);

// Once per process, before any other libxml2 call.
void initLibxml();

// QString::fromUtf8 drops a leading U+FEFF; a page's text keeps what it has.
QString fromUtf8Keeping(const char* data, qsizetype size);

// Runs libxml2's HTML parser over the page. With a handler the events go to
// it and nothing is built (nullptr returned); without one the tree is built
// and returned. Both ways read the page identically. libxml2's complaints
// about the markup or its bytes never reach standard error.
struct DocFree {
    void operator()(xmlDoc* doc) const;
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;
DocPtr runParser(const PageInput& page, xmlSAXHandler* handler = nullptr, void* user = nullptr);

// What one streaming pass gives.
struct StreamedPage {
    QString text;
    // src of the first frame or iframe; nullopt when there is none.
    std::optional<QString> frameSource;
    // href of the first <base> that has one.
    QString baseHref;
};

// From libxml2's parser events, without building the tree.
StreamedPage streamPage(const PageInput& page);

// documentElement.innerText and innerHTML from a built tree.
QString treeText(const xmlDoc* doc);
// Every table of the page in the order they start, each as its rows (a row
// of a table inside a cell belongs to the inner table), each row the
// innerText of its cells. Tables nested deeper than kMaxTableNesting are not
// read; their text stays in the cell around them.
using TableRows = QList<QStringList>;
inline constexpr int kMaxTableNesting = 16;
QList<TableRows> treeTables(const xmlDoc* doc);
QString treeHtml(xmlDoc* doc);

} // namespace zelvane::html
