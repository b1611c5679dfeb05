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
class CUrl {
public:
    QString Href() const;
    void setHref(const QString& url); // throws UrlError 5

    QString PathUrl() const;
    QString PageUrl() const;
    QString AfterPage() const;
    QString Parameters() const { return parameters_; }
    QString Port() const { return port_; }
    QString Host() const;
    QString HostUrl() const;
    QString Domain() const { return domain_; }
    void setDomain(const QString& v) { domain_ = v; }
    QString Subdomain() const { return subdomain_; }
    void setSubdomain(const QString& v) { subdomain_ = v; }
    QString Path() const { return path_; }
    QString Scheme() const { return scheme_; }
    void setScheme(const QString& v) { scheme_ = v; }
    QString QueryString() const;
    void setQuery(const QString& query);
    QStringList ParamNames() const;  // empty: there is nothing to give
    QStringList ParamValues() const; // absent values as empty texts
    void PutParams(const ParamArg& names, const ParamArg& values); // throws UrlError 438
    ParamResult GetParam(const QString& name) const;                // throws UrlError 9
    void PutParam(const QString& name, const ParamArg& value, bool replace = false);
    QString Login() const { return login_; }
    void setLogin(const QString& v) { login_ = v; }
    QString Page() const { return page_; }
    void setPage(const QString& v) { page_ = v; }
    QString PagePath() const { return path_ + page_; }
    QString Fragment() const { return fragment_; }
    void setFragment(const QString& v) { fragment_ = v; }

private:
    struct Pairs {
        QStringList names;
        QList<std::optional<QString>> values; // parallel to names
    };

    QString scheme_, login_, rawHost_, subdomain_, domain_, port_;
    QString fullPath_, path_, page_, parameters_, fragment_;
    // No lists at all until an address has been set: a fresh CUrl ignores
    // query writes.
    std::optional<Pairs> pairs_;
};

} // namespace zelvane
