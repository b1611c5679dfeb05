#include "browser/HtmlDocument.h"

#include "browser/HtmlReading.h"

namespace zelvane {

// The text, frame and base are read in one streaming pass; the tree only
// when the markup or the tables are asked for (the city reader, once a
// session; the flight table of a page with seats), from the page kept as the
// parser reads it.
struct HtmlDocument::Page {
    html::PageInput input;
    QUrl address;
    QString text;
    std::optional<QUrl> frame;
    mutable bool treeBuilt = false;
    mutable html::DocPtr tree;

    const xmlDoc* builtTree() const
    {
        if (!treeBuilt) {
            tree = html::runParser(input);
            treeBuilt = true;
        }
        return tree.get();
    }
};

namespace {

std::optional<QUrl> frameAddress(const html::StreamedPage& page, const QUrl& address)
{
    if (!page.frameSource)
        return std::nullopt;
    const QUrl base = page.baseHref.isEmpty()
                          ? address
                          : address.resolved(QUrl(page.baseHref, QUrl::TolerantMode));
    // Browsers drop line breaks and tabs inside an address, and the blanks around it.
    QString s = *page.frameSource;
    s.remove(QLatin1Char('\n')).remove(QLatin1Char('\r')).remove(QLatin1Char('\t'));
    s = s.trimmed();
    if (s.isEmpty())
        return QUrl();
    return base.resolved(QUrl(s, QUrl::TolerantMode));
}

} // namespace

HtmlDocument::HtmlDocument()
{
    auto page = std::make_shared<Page>();
    page->input.encoding = QStringLiteral("utf-8");
    page_ = std::move(page);
}

HtmlDocument::HtmlDocument(std::shared_ptr<const Page> page) : page_(std::move(page)) {}

QByteArray HtmlDocument::charsetParameter(const QByteArray& contentType)
{
    return html::charsetParameter(contentType);
}

QByteArray HtmlDocument::declaredCharset(const QByteArray& bytes)
{
    return html::declaredCharset(bytes);
}

HtmlDocument HtmlDocument::parse(const QByteArray& bytes, const QByteArray& httpCharset,
                                 const QUrl& address)
{
    auto page = std::make_shared<Page>();
    page->input = html::decodePage(bytes, httpCharset);
    page->address = address;
    html::StreamedPage streamed = html::streamPage(page->input);
    page->text = std::move(streamed.text);
    page->frame = frameAddress(streamed, address);
    return HtmlDocument(std::move(page));
}

QString HtmlDocument::treeInnerText(const QByteArray& bytes, const QByteArray& httpCharset)
{
    return html::treeText(html::runParser(html::decodePage(bytes, httpCharset)).get());
}

QString HtmlDocument::innerText() const
{
    return page_->text;
}

QString HtmlDocument::innerHtml() const
{
    return html::treeHtml(const_cast<xmlDoc*>(page_->builtTree()));
}

QList<HtmlTable> HtmlDocument::tables() const
{
    return html::treeTables(page_->builtTree());
}

std::optional<QUrl> HtmlDocument::firstFrameSource() const
{
    return page_->frame;
}

QString HtmlDocument::encoding() const
{
    return page_->input.encoding;
}

QUrl HtmlDocument::address() const
{
    return page_->address;
}

} // namespace zelvane
