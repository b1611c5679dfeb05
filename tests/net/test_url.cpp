// The URL parser: addresses taken apart and put back together, the ones it
// refuses, and the query list with its numbered errors.
#include "net/Url.h"

#include <QRegularExpression>
#include <QtTest>

Q_DECLARE_METATYPE(zelvane::ParamArg)

using namespace zelvane;

namespace {

template <typename F>
UrlError raised(F&& f)
{
    try {
        f();
    } catch (const UrlError& e) {
        return e;
    }
    return UrlError{0, QStringLiteral("nothing raised")};
}

} // namespace

class TestUrl : public QObject {
    Q_OBJECT

private slots:
    void takesAddressApart_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QStringList>("parts"); // scheme login host subdomain domain port
        QTest::addColumn<QStringList>("rest");  // path page parameters fragment query
        QTest::newRow("localhost with port, page, query and fragment")
            << "http://localhost:8080/x/y.asp?a=1&b#top"
            << QStringList{"http:", "", "localhost", "", "", "8080"}
            << QStringList{"/x/", "y.asp", "", "top", "a=1&b"};
        QTest::newRow("numeric host, root path")
            << "http://1.2.3.4/" << QStringList{"http:", "", "1.2.3.4", "", "", ""}
            << QStringList{"/", "", "", "", ""};
        QTest::newRow("four labels: the last two are the domain")
            << "http://w.x.y.z/dev/email.asp" << QStringList{"http:", "", "w.x.y.z", "w.x", "y.z", ""}
            << QStringList{"/dev/", "email.asp", "", "", ""};
        QTest::newRow("login, port, parameters, letter case kept")
            << "HTTPS://Me@WWW.Example.com:443/a.b/c;sid=9?Q=2#F"
            << QStringList{"HTTPS:", "Me", "WWW.Example.com", "WWW", "Example.com", "443"}
            << QStringList{"/a.b/c", "", "sid=9", "F", "Q=2"};
        QTest::newRow("no path at all")
            << "http://example.com" << QStringList{"http:", "", "example.com", "", "example.com", ""}
            << QStringList{"", "", "", "", ""};
        QTest::newRow("directory only")
            << "http://www.example.com/dev/" << QStringList{"http:", "", "www.example.com", "www", "example.com", ""}
            << QStringList{"/dev/", "", "", "", ""};
        QTest::newRow("localhost in capitals is not split")
            << "http://LOCALHOST/p.php" << QStringList{"http:", "", "LOCALHOST", "", "", ""}
            << QStringList{"/", "p.php", "", "", ""};
        QTest::newRow("text before the scheme belongs to it")
            << "see http://a.b/" << QStringList{"see http:", "", "a.b", "", "a.b", ""}
            << QStringList{"/", "", "", "", ""};
    }
    void takesAddressApart()
    {
        QFETCH(QString, url);
        QFETCH(QStringList, parts);
        QFETCH(QStringList, rest);
        Url u;
        u.setHref(url);
        QCOMPARE(QStringList({u.scheme(), u.login(), u.host(), u.subdomain(), u.domain(), u.port()}),
                 parts);
        QCOMPARE(QStringList({u.path(), u.page(), u.parameters(), u.fragment(), u.queryString()}),
                 rest);
        QCOMPARE(u.pagePath(), u.path() + u.page());
        // Nothing is encoded or decoded, so every address comes back as written.
        QCOMPARE(u.href(), url);
    }

    void piecesOfTheAddress()
    {
        Url u;
        u.setHref("http://me@www.example.com:81/dev/email.asp;x?a=1#f");
        QCOMPARE(u.hostUrl(), QString("http://me@www.example.com:81"));
        QCOMPARE(u.pathUrl(), QString("http://me@www.example.com:81/dev/"));
        QCOMPARE(u.pageUrl(), QString("http://me@www.example.com:81/dev/email.asp"));
        QCOMPARE(u.afterPage(), QString(";x?a=1#f"));

        u.setHref("http://www.example.com/dev/email.asp");
        QCOMPARE(u.hostUrl(), QString("http://www.example.com")); // no ":" without a port
        QCOMPARE(u.afterPage(), QString());
    }

    void writtenPartsShowInTheAddress()
    {
        Url u;
        u.setHref("http://www.example.com/dev/a.asp?x=1");
        u.setSubdomain("mail");
        u.setDomain("example.org");
        u.setPage("b.asp");
        u.setFragment("end");
        u.setScheme("https:");
        u.setLogin("me");
        QCOMPARE(u.href(), QString("https://me@mail.example.org/dev/b.asp?x=1#end"));
        u.setSubdomain("");
        QCOMPARE(u.host(), QString("example.org"));
    }

    void refusesAddresses_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("one-label host") << "http://intranet/x.asp";
        QTest::newRow("no // after the scheme") << "http:www.example.com/x.asp";
        QTest::newRow("plain text") << "www.example.com";
        QTest::newRow("empty") << "";
        QTest::newRow("empty host") << "http:///x.asp";
        QTest::newRow("host of dots only") << "http://" + QString(40, '.') + "/";
        QTest::newRow("scheme on an earlier line only") << "http:\n//a.b/";
    }
    void refusesAddresses()
    {
        QFETCH(QString, url);
        Url u;
        u.setHref("http://www.old.example/old.asp?old=1");
        const UrlError e = raised([&] { u.setHref(url); });
        QCOMPARE(e.number, 5);
        QCOMPARE(e.description, "Invalid URL:\r\n" + url);
        // Nothing of the address before survives a refused one.
        QVERIFY(!u.href().contains("old"));
        QCOMPARE(u.queryString().contains("old"), false);
    }

    // The host split gives the same parts as the label-repeating form of the
    // pattern (which backtracks exponentially), for every host of up to ten
    // characters made of a letter, a digit and dots.
    void hostSplitAgreesWithLabelForm()
    {
        const QRegularExpression reference(R"(((?:[^:?#/]*\.)*)([^.]+\.[^.]+))",
                                           QRegularExpression::CaseInsensitiveOption);
        const QString alphabet = "a.1";
        QStringList hosts{""};
        int checked = 0;
        for (int len = 1; len <= 10; ++len) {
            QStringList longer;
            for (const QString& h : hosts)
                for (QChar c : alphabet)
                    longer << h + c;
            hosts = longer;
            for (const QString& host : hosts) {
                if (host.front().isDigit() && host.back().isDigit())
                    continue; // numeric addresses are not split
                const auto m = reference.match(host);
                Url u;
                const UrlError e = raised([&] { u.setHref("http://" + host + "/"); });
                if (!m.hasMatch()) {
                    QVERIFY2(e.number == 5, qPrintable(host));
                    continue;
                }
                QString sub = m.captured(1);
                if (sub.endsWith('.'))
                    sub.chop(1);
                QVERIFY2(e.number == 0, qPrintable(host));
                QVERIFY2(u.subdomain() == sub && u.domain() == m.captured(2), qPrintable(host));
                ++checked;
            }
        }
        QVERIFY(checked > 10000);
    }

    void queryListKeepsWhatWasWritten()
    {
        Url u;
        u.setHref("http://a.b/p.asp?&name=%20Jo+Smith%20&&x=1=2&flag&empty=&Name=other");
        QCOMPARE(u.paramNames(), QStringList({"name", "x", "flag", "empty", "Name"}));
        QCOMPARE(u.paramValues(), QStringList({"%20Jo+Smith%20", "1", "", "", "other"}));
        // A name without "=" has no value, "empty=" has an empty one.
        QCOMPARE(u.queryString(), QString("name=%20Jo+Smith%20&x=1&flag&empty=&Name=other"));
        QCOMPARE(std::get<QString>(u.param("x")), QString("1"));
        QCOMPARE(std::get<QString>(u.param("Name")), QString("other")); // letter case counts
    }

    void queryStringTrimsBlanksButGetParamDoesNot()
    {
        Url u;
        u.setHref("http://a.b/p.asp?city= New York &code=\tNYC ");
        QCOMPARE(u.queryString(), QString("city=New York&code=\tNYC"));
        QCOMPARE(std::get<QString>(u.param("city")), QString(" New York "));
        QCOMPARE(u.href(), QString("http://a.b/p.asp?city=New York&code=\tNYC"));
    }

    void repeatedNameGivesEveryValue()
    {
        Url u;
        u.setHref("http://a.b/?c=1&d=x&c=2&c");
        const ParamResult r = u.param("c");
        QVERIFY(std::holds_alternative<QStringList>(r));
        QCOMPARE(std::get<QStringList>(r), QStringList({"1", "2", ""}));
    }

    void unknownNameIsAnError()
    {
        Url u;
        u.setHref("http://a.b/?c=1");
        const UrlError e = raised([&] { u.param("C"); });
        QCOMPARE(e.number, 9);
        QCOMPARE(e.description, QString("Subscript out of range"));
    }

    void freshParserHasNoLists()
    {
        Url u;
        u.setQuery("a=1");
        u.putParam("b", QString("2"));
        QCOMPARE(u.queryString(), QString());
        QVERIFY(u.paramNames().isEmpty());
        QVERIFY(u.paramValues().isEmpty());
        QCOMPARE(std::get<QString>(u.param("a")), QString());

        // PutParams makes its own lists.
        u.putParams(ParamArray{{"a"}}, ParamArray{{"1"}});
        QCOMPARE(u.queryString(), QString("a=1"));
    }

    void setHrefStartsAFreshList()
    {
        Url u;
        u.setHref("http://a.b/?a=1");
        u.setQuery("b=2");
        QCOMPARE(u.queryString(), QString("a=1&b=2"));
        u.setHref("http://a.b/");
        QCOMPARE(u.queryString(), QString());
        QCOMPARE(u.href(), QString("http://a.b/"));
    }

    void putParamAddsOrReplaces()
    {
        Url u;
        u.setHref("http://a.b/?k=1&x=0&k=2");
        u.putParam("k", QString("3"));
        QCOMPARE(u.queryString(), QString("k=1&x=0&k=2&k=3"));
        u.putParam("k", ParamArray{{"a", "b"}}, true);
        QCOMPARE(u.queryString(), QString("x=0&k=a&k=b"));
        u.putParam("x", QString("9"), true);
        QCOMPARE(u.queryString(), QString("k=a&k=b&x=9"));
    }

    void putParamsReplacesEveryPair()
    {
        Url u;
        u.setHref("http://a.b/?old=1");
        u.putParams(ParamArray{{"to", "sub"}, 1}, ParamArray{{"me@x.y", "Hi"}, 1});
        QCOMPARE(u.queryString(), QString("to=me@x.y&sub=Hi"));
        QCOMPARE(u.paramNames(), QStringList({"to", "sub"}));
    }

    void putParamsRefusesBadArguments_data()
    {
        QTest::addColumn<ParamArg>("names");
        QTest::addColumn<ParamArg>("values");
        QTest::addColumn<QString>("description");
        const QString notArrays = "You must pass arrays as parameters";
        const QString bounds = "Array must have the same lbound and ubound";
        QTest::newRow("names not an array") << ParamArg(QString("a")) << ParamArg(ParamArray{{"1"}})
                                            << notArrays;
        QTest::newRow("values not an array") << ParamArg(ParamArray{{"a"}}) << ParamArg(QString("1"))
                                             << notArrays;
        QTest::newRow("different lower bounds")
            << ParamArg(ParamArray{{"a", "b"}, 0}) << ParamArg(ParamArray{{"1", "2"}, 1}) << bounds;
        QTest::newRow("different upper bounds")
            << ParamArg(ParamArray{{"a", "b"}}) << ParamArg(ParamArray{{"1"}}) << bounds;
    }
    void putParamsRefusesBadArguments()
    {
        QFETCH(ParamArg, names);
        QFETCH(ParamArg, values);
        QFETCH(QString, description);
        Url u;
        u.setHref("http://a.b/?keep=1");
        const UrlError e = raised([&] { u.putParams(names, values); });
        QCOMPARE(e.number, 438);
        QCOMPARE(e.description, description);
        QCOMPARE(u.queryString(), QString("keep=1")); // a refused call changes nothing
    }
};

QTEST_APPLESS_MAIN(TestUrl)
#include "test_url.moc"
