#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

namespace zelvane {

// The numbered errors of the URL parser. Nothing else in the program throws;
// callers that post or fetch catch it and carry on.
struct UrlError {
    int number;
    QString description;
};

inline constexpr int kErrInvalidUrl = 5;
inline constexpr int kErrSubscript = 9;
inline constexpr int kErrArguments = 438;

// An argument of PutParam / PutParams: one text, or an array that keeps its
// own index range so that two arrays with different bounds can be told apart.
struct ParamArray {
    QStringList items;
    int lbound = 0;
    int ubound() const { return lbound + int(items.size()) - 1; }
};
using ParamArg = std::variant<QString, ParamArray>;

// GetParam gives the one value of a name, or all of them (in list order) when
// the name repeats. An absent value ("a" in "?a&b=1") reads as a null text.
using ParamResult = std::variant<QString, QStringList>;

// A URL taken apart into its pieces, every piece kept exactly as written:
// nothing is encoded or decoded. Plain value class, no QObject, so the fuzzer
// can build it alone.
class Url {
public:
    QString href() const;
    void setHref(const QString& url); // throws UrlError 5

    QString pathUrl() const;
    QString pageUrl() const;
    QString afterPage() const;
    QString parameters() const { return parameters_; }
    QString port() const { return port_; }
    QString host() const;
    QString hostUrl() const;
    QString domain() const { return domain_; }
    void setDomain(const QString& v) { domain_ = v; }
    QString subdomain() const { return subdomain_; }
    void setSubdomain(const QString& v) { subdomain_ = v; }
    QString path() const { return path_; }
    QString scheme() const { return scheme_; }
    void setScheme(const QString& v) { scheme_ = v; }
    QString queryString() const;
    void setQuery(const QString& query);
    QStringList paramNames() const;  // empty: there is nothing to give
    QStringList paramValues() const; // absent values as empty texts
    void putParams(const ParamArg& names, const ParamArg& values); // throws UrlError 438
    ParamResult param(const QString& name) const;                // throws UrlError 9
    void putParam(const QString& name, const ParamArg& value, bool replace = false);
    QString login() const { return login_; }
    void setLogin(const QString& v) { login_ = v; }
    QString page() const { return page_; }
    void setPage(const QString& v) { page_ = v; }
    QString pagePath() const { return path_ + page_; }
    QString fragment() const { return fragment_; }
    void setFragment(const QString& v) { fragment_ = v; }

private:
    struct Pairs {
        QStringList names;
        QList<std::optional<QString>> values; // parallel to names
    };

    QString scheme_, login_, rawHost_, subdomain_, domain_, port_;
    QString fullPath_, path_, page_, parameters_, fragment_;
    // No lists at all until an address has been set: a fresh Url ignores
    // query writes.
    std::optional<Pairs> pairs_;
};

} // namespace zelvane
