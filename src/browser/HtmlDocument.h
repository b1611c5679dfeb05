#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>
#include <optional>

namespace zelvane {

// One table of a page: its rows, each the texts of its cells in order.
using HtmlTable = QList<QStringList>;

// One HTML page as the browser layer shows it to the program: its visible
// text, its markup and where its first frame comes from. The markup is read
// the forgiving way a browser reads it (upper-case tags, unclosed cells,
// stray entities), so pages of any age give a document. Copies share what
// was read; it is freed with the last copy. Not for use from two threads.
class HtmlDocument {
public:
    // An empty page, as a frame without a source shows.
    HtmlDocument();

    // Reads the page's bytes. `httpCharset` is the charset parameter of the
    // reply's Content-Type (empty when it had none); `address` is where the
    // page came from, for resolving its frame's source.
    static HtmlDocument parse(const QByteArray& bytes, const QByteArray& httpCharset = {},
                              const QUrl& address = {});

    // documentElement.innerText: text in document order, blanks collapsed,
    // blocks and br on lines of their own, table cells run together, lines
    // joined with CR LF.
    QString innerText() const;
    // documentElement.innerHTML: the markup inside the html element, scripts
    // as they were written.
    QString innerHtml() const;
    // Every table, in the order they start; a cell's text is its innerText,
    // so a blank cell or one holding only &nbsp; reads as empty.
    QList<HtmlTable> tables() const;
    // The source of the first frame or iframe, resolved against the page's
    // address (or its <base href>). Empty optional when the page has no
    // frame; an empty QUrl when the frame names no source (a blank frame).
    std::optional<QUrl> firstFrameSource() const;

    // The character set the bytes were read in ("utf-8", "windows-1252", ...).
    QString encoding() const;
    QUrl address() const;

    // The page's text read the slow way, from the whole parsed tree: the
    // reference the streaming reader is measured and checked against.
    static QString treeInnerText(const QByteArray& bytes, const QByteArray& httpCharset = {});

    // The charset parameter of a Content-Type value; empty when there is none.
    static QByteArray charsetParameter(const QByteArray& contentType);
    // The charset a page declares in a <meta> near its start; empty when none.
    static QByteArray declaredCharset(const QByteArray& bytes);

private:
    struct Page;
    explicit HtmlDocument(std::shared_ptr<const Page> page);
    std::shared_ptr<const Page> page_;
};

} // namespace zelvane
