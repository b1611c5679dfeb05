#include "net/Url.h"

#include <QRegularExpression>

namespace zelvane {

namespace {

// scheme, login, raw host, port, full path, parameters, query, fragment
const QRegularExpression& urlPattern()
{
    static const QRegularExpression re(
        QStringLiteral(R"((.*?:)//)"
                       R"((?:([^.?]+)@)?)"
                       R"(([^:?#/]*))"
                       R"((?:\:(\d*))?)"
                       R"((/[^;?#]*)?)"
                       R"((?:;([^?#]*))?)"
                       R"((?:\?([^#]*))?)"
                       R"((?:\#(.*))?)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// Subdomain and registered domain (the last two labels). The natural way to
// write the first group, a repeated "labels ending in a dot", backtracks
// exponentially on a host of a few dozen dots; an optional "anything ending
// in a dot" matches the same texts with the same captures, and since a split
// found anywhere in the host is also found from its start, anchoring changes
// nothing but the time it takes.
const QRegularExpression& hostPattern()
{
    static const QRegularExpression re(QStringLiteral(R"(\A((?:[^:?#/]*\.)?)([^.]+\.[^.]+))"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Only blanks are trimmed; a tab is part of the value.
QString trimBlanks(const QString& s)
{
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    return s.mid(from, to - from);
}

[[noreturn]] void invalidUrl(const QString& url)
{
    throw UrlError{kErrInvalidUrl, QStringLiteral("Invalid URL:\r\n") + url};
}

} // namespace

QString Url::href() const
{
    return pageUrl() + afterPage();
}

void Url::setHref(const QString& url)
{
    scheme_.clear();
    login_.clear();
    rawHost_.clear();
    subdomain_.clear();
    domain_.clear();
    port_.clear();
    fullPath_.clear();
    path_.clear();
    page_.clear();
    parameters_.clear();
    fragment_.clear();
    pairs_ = Pairs{};

    const QRegularExpressionMatch m = urlPattern().match(url);
    if (!m.hasMatch())
        invalidUrl(url);

    const auto keep = [&m](int group, QString& into) {
        const QString g = m.captured(group);
        if (!g.isEmpty())
            into = g;
    };
    keep(1, scheme_);
    keep(2, login_);
    keep(3, rawHost_);
    keep(4, port_);
    keep(5, fullPath_);
    keep(6, parameters_);
    const QString query = m.captured(7);
    if (!query.isEmpty())
        setQuery(query);
    keep(8, fragment_);

    const bool numeric = !rawHost_.isEmpty() && isDigit(rawHost_.front()) && isDigit(rawHost_.back());
    const bool local = rawHost_.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
    if (!numeric && !local) {
        const QRegularExpressionMatch h = hostPattern().match(rawHost_);
        if (!h.hasMatch())
            invalidUrl(url);
        subdomain_ = h.captured(1);
        if (subdomain_.endsWith(QLatin1Char('.')))
            subdomain_.chop(1);
        domain_ = h.captured(2);
    }

    if (!fullPath_.isEmpty()) {
        const qsizetype slash = fullPath_.lastIndexOf(QLatin1Char('/'));
        if (fullPath_.indexOf(QLatin1Char('.'), slash) < 0) {
            path_ = fullPath_;
        } else {
            page_ = fullPath_.mid(slash + 1);
            path_ = fullPath_.left(slash + 1);
        }
    }
}

QString Url::pathUrl() const
{
    return hostUrl() + path_;
}

QString Url::pageUrl() const
{
    return pathUrl() + page_;
}

QString Url::afterPage() const
{
    QString s;
    if (!parameters_.isEmpty())
        s += QLatin1Char(';') + parameters_;
    const QString query = queryString();
    if (!query.isEmpty())
        s += QLatin1Char('?') + query;
    if (!fragment_.isEmpty())
        s += QLatin1Char('#') + fragment_;
    return s;
}

QString Url::host() const
{
    QString host;
    if (!subdomain_.isEmpty())
        host = subdomain_ + QLatin1Char('.');
    host += domain_;
    return host.isEmpty() ? rawHost_ : host;
}

QString Url::hostUrl() const
{
    QString s;
    if (!scheme_.isEmpty())
        s = scheme_ + QLatin1String("//");
    if (!login_.isEmpty())
        s += login_ + QLatin1Char('@');
    s += host();
    if (!port_.isEmpty())
        s += QLatin1Char(':') + port_;
    return s;
}

QString Url::queryString() const
{
    if (!pairs_)
        return {};
    QStringList parts;
    parts.reserve(pairs_->names.size());
    for (qsizetype i = 0; i < pairs_->names.size(); ++i) {
        const std::optional<QString>& value = pairs_->values.at(i);
        parts << (value ? pairs_->names.at(i) + QLatin1Char('=') + trimBlanks(*value)
                        : pairs_->names.at(i));
    }
    return parts.join(QLatin1Char('&'));
}

void Url::setQuery(const QString& query)
{
    if (!pairs_)
        return;
    const QStringList pieces = query.split(QLatin1Char('&'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        const QStringList bits = piece.split(QLatin1Char('='));
        pairs_->names << bits.at(0);
        pairs_->values << (bits.size() > 1 ? std::optional<QString>(bits.at(1)) : std::nullopt);
    }
}

QStringList Url::paramNames() const
{
    return pairs_ ? pairs_->names : QStringList();
}

QStringList Url::paramValues() const
{
    QStringList values;
    if (!pairs_)
        return values;
    for (const std::optional<QString>& v : pairs_->values)
        values << v.value_or(QString());
    return values;
}

void Url::putParams(const ParamArg& names, const ParamArg& values)
{
    const auto* n = std::get_if<ParamArray>(&names);
    const auto* v = std::get_if<ParamArray>(&values);
    if (!n || !v)
        throw UrlError{kErrArguments, QStringLiteral("You must pass arrays as parameters")};
    if (n->lbound != v->lbound || n->ubound() != v->ubound())
        throw UrlError{kErrArguments, QStringLiteral("Array must have the same lbound and ubound")};
    pairs_ = Pairs{};
    for (qsizetype i = 0; i < n->items.size(); ++i) {
        pairs_->names << n->items.at(i);
        pairs_->values << std::optional<QString>(v->items.at(i));
    }
}

ParamResult Url::param(const QString& name) const
{
    if (!pairs_)
        return QString();
    QStringList found;
    for (qsizetype i = 0; i < pairs_->names.size(); ++i) {
        if (pairs_->names.at(i) == name)
            found << pairs_->values.at(i).value_or(QString());
    }
    if (found.isEmpty())
        throw UrlError{kErrSubscript, QStringLiteral("Subscript out of range")};
    if (found.size() == 1)
        return found.front();
    return found;
}

void Url::putParam(const QString& name, const ParamArg& value, bool replace)
{
    if (!pairs_)
        return;
    if (replace) {
        for (qsizetype i = pairs_->names.size() - 1; i >= 0; --i) {
            if (pairs_->names.at(i) == name) {
                pairs_->names.removeAt(i);
                pairs_->values.removeAt(i);
            }
        }
    }
    if (const auto* array = std::get_if<ParamArray>(&value)) {
        for (const QString& item : array->items) {
            pairs_->names << name;
            pairs_->values << std::optional<QString>(item);
        }
    } else {
        pairs_->names << name;
        pairs_->values << std::optional<QString>(std::get<QString>(value));
    }
}

} // namespace zelvane
