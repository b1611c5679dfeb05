// The page reader: visible text as the result and city readers expect it,
// markup that keeps the city arrays, frame 0, and character sets.
#include "browser/HtmlDocument.h"
#include "browser/HtmlReading.h"
#include "itineraries/CityLists.h"

#include "Pages.h"

#include <QtTest>
#include <cstdio>
#include <random>
#include <unistd.h>

using namespace zelvane;

namespace {

const QString kHeadings = QStringLiteral("DepartingArrivingFlightAircraftStopsEcon.Bus.First");

// A result frame the way the airline's site writes it: upper case, unclosed
// cells and rows, line breaks before every tag, font tags around cells.
const QByteArray kResultFrame =
    "<HTML>\n<HEAD>\n<TITLE>Flights</TITLE>\n"
    "<SCRIPT LANGUAGE=\"JavaScript\">\n<!--\nfunction pick(f) { document.write('<TD>Departing'); }\n"
    "// -->\n</SCRIPT>\n</HEAD>\n<BODY BGCOLOR=#FFFFFF>\n"
    "<!-- Departing Arriving: flight table starts here -->\n"
    "<TABLE BORDER=0 CELLPADDING=2>\n"
    "<TR BGCOLOR=\"#CC0000\">\n<TD><FONT FACE=Arial SIZE=1>Departing</FONT>\n<TD>Arriving\n"
    "<TD>Flight\n<TD>Aircraft\n<TD>Stops\n<TD>Econ.\n<TD>Bus.\n<TD>First\n"
    "<TR>\n<TD>06:00 SYD\n<TD>07:35 MEL\n<TD>QF 401\n<TD>767\n<TD>0\n<TD>Yes\n<TD>No\n<TD>-\n"
    "<TR>\n<TD>  09:00  SYD </TD>  <TD>10:35 MEL</TD>\n<TD>QF&nbsp;409</TD><TD>&nbsp;</TD>\n"
    "</TABLE>\n</BODY>\n</HTML>\n";

// Markup that moves the parser between its states: closing the root early,
// reopening it, blanks in tables, raw text, things outside the root.
const char* const kPieces[] = {
    "</html>", "<html>", "</body>", "<body>", "<!DOCTYPE html>", "<!-- c -->", "<?pi x?>",
    "<table>", "</table>", "<tr>", "</tr>", "<td>", "</td>", "<th>", "<tbody>", " ", "\n\t ",
    "&nbsp;", "&amp;", "&bogus;", "<p>", "</p>", "<br>", "<div>", "<li>", "<title>", "<script>",
    "</script>", "<style>", "<noscript>", "</noscript>", "<![CDATA[ x ]]>", "<frame src=f>",
    "<font>", "</font>", "<head>", "<option>", "<textarea>", "<", "x y", "\xC3", "\xA0"};

// Pages cut, spliced and sprinkled with kPieces, the same ones on every run.
QList<QByteArray> variantsOf(const QByteArray& page, const QByteArray& other, int count)
{
    std::mt19937 random(uint32_t(qHash(page)));
    const auto pick = [&](qsizetype n) { return qsizetype(random() % quint32(n + 1)); };
    QList<QByteArray> out;
    for (int i = 0; i < count; ++i) {
        QByteArray v = page;
        switch (random() % 3) {
        case 0: v.truncate(pick(v.size())); break;
        case 1: v = v.left(pick(v.size())) + other.mid(pick(other.size())); break;
        default: break;
        }
        for (int k = int(random() % 6); k >= 0; --k)
            v.insert(pick(v.size()), kPieces[random() % std::size(kPieces)]);
        out << v;
    }
    return out;
}

QString crlf(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

class TestHtmlDocument : public QObject {
    Q_OBJECT

private slots:
    void visibleText_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("text");

        QTest::newRow("heading row of unclosed upper-case cells")
            << QByteArray("<TABLE><TR><TD>Departing\n<TD>Arriving\n<TD>Flight\n<TD>Aircraft\n"
                          "<TD>Stops\n<TD>Econ.\n<TD>Bus.\n<TD>First\n</TABLE>")
            << kHeadings;
        QTest::newRow("closed cells with blanks between and inside")
            << QByteArray("<table>\n <tr>\n  <th> Departing </th>\n  <th>\tArriving</th>\n"
                          " </tr>\n</table>")
            << QStringLiteral("DepartingArriving");
        QTest::newRow("each row on a line of its own")
            << QByteArray("<TABLE><TR><TD>a<TD>b<TR><TD>c<TD>d</TABLE>")
            << crlf({"ab", "cd"});
        QTest::newRow("blanks inside a cell collapse, edges dropped")
            << QByteArray("<table><tr><td>  06:00 \n\t SYD  <b> x </b> </td><td> y</td></table>")
            << QStringLiteral("06:00 SYD xy");
        QTest::newRow("inline elements add nothing between them")
            << QByteArray("<p>Qantas<b>Frequent</b> <i>Flyer</i><span>-</span>Award</p>")
            << QStringLiteral("QantasFrequent Flyer-Award");
        QTest::newRow("blocks start and end lines, several breaks give one")
            << QByteArray("<body>one<div>two</div><div></div><p>three</p>\n\n<p>\n</p>four"
                          "<ul><li>five<li>six</ul><center>seven</center></body>")
            << crlf({"one", "two", "three", "four", "five", "six", "seven"});
        QTest::newRow("br breaks a line, two in a row give one")
            << QByteArray("<p>Frequent Flyer<br>Award<BR><br/>Bookings <br> now</p>")
            << crlf({"Frequent Flyer", "Award", "Bookings", "now"});
        QTest::newRow("title text is included on its own line")
            << QByteArray("<html><head><title>Qantas Frequent Flyer - Award Availability</title>"
                          "<meta name=x content=y></head><body>Select a flight</body></html>")
            << crlf({"Qantas Frequent Flyer - Award Availability", "Select a flight"});
        QTest::newRow("scripts, styles, noscript and comments give nothing")
            << QByteArray("<html><head><script>var a=\"Availability Departing\";</script>"
                          "<style>td { } /* Availability */</style></head><body>"
                          "<!-- Availability --><noscript>Availability</noscript>"
                          "<?php echo 'Availability'; ?>Login</body></html>")
            << QStringLiteral("Login");
        QTest::newRow("a script holding a closing tag does not leak")
            << QByteArray("<body>x<SCRIPT>document.write('</TD><TD>Availability</div>');"
                          "</SCRIPT>y</body>")
            << QStringLiteral("xy");
        QTest::newRow("entities")
            << QByteArray("<p>Econ.&amp;Bus. &lt;First&gt; &quot;Q&quot; &#65;&#x42; "
                          "&copy; &eacute;</p>")
            << QString::fromUtf8("Econ.&Bus. <First> \"Q\" AB \u00A9 \u00E9");
        QTest::newRow("non-breaking blanks stay inside a line, lines of them vanish")
            << QByteArray("<p>&nbsp;</p><p>QF&nbsp;409&nbsp;</p><table><tr><td>&nbsp;"
                          "<td>&nbsp;</table>last")
            << crlf({QString::fromUtf8("QF\u00A0409"), "last"});
        QTest::newRow("the no-availability page")
            << QByteArray("<HTML><HEAD><TITLE>Qantas Frequent Flyer - Award Bookings - No "
                          "available flights</TITLE></HEAD><BODY><FORM><CENTER><B>Sorry,</B>\n"
                          "no seats.</CENTER></FORM></BODY></HTML>")
            << crlf({"Qantas Frequent Flyer - Award Bookings - No available flights",
                     "Sorry, no seats."});
        QTest::newRow("start-again page text runs its links together")
            << QByteArray("<table><tr><td><a href=/>&lt; Start again</a> <a href=h>Help?</a> "
                          "<a href=c>Close</a></td></tr></table>")
            << QStringLiteral("< Start again Help? Close");
        QTest::newRow("frameset page reads its title only")
            << QByteArray("<HTML><HEAD><TITLE>Award Availability</TITLE></HEAD>\n"
                          "<FRAMESET ROWS=\"100%,*\"><FRAME SRC=\"f?id=1\"><FRAME SRC=x>"
                          "</FRAMESET></HTML>")
            << QStringLiteral("Award Availability");
        QTest::newRow("plain text without any tag") << QByteArray("  just\n text  ")
                                                    << QStringLiteral("just text");
        QTest::newRow("empty page") << QByteArray() << QString();
    }

    void visibleText()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, text);
        QCOMPARE(HtmlDocument::parse(html).innerText(), text);
        QCOMPARE(HtmlDocument::treeInnerText(html), text);
    }

    // The streaming reader renders what a walk of libxml2's tree renders,
    // whatever the page: the fuzzing seeds and a few thousand pages made
    // from them.
    void streamingTextMatchesTheTree_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("other");
        QList<QByteArray> pages{kResultFrame};
        const QDir corpus(QStringLiteral(ZELVANE_DOCUMENT_CORPUS));
        for (const QFileInfo& f : corpus.entryInfoList(QDir::Files, QDir::Name)) {
            QFile file(f.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            pages << file.readAll();
        }
        QVERIFY(pages.size() > 1);
        for (qsizetype i = 0; i < pages.size(); ++i)
            QTest::addRow("page %lld", static_cast<long long>(i))
                << pages[i] << pages[(i + 1) % pages.size()];
    }

    void streamingTextMatchesTheTree()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, other);
        for (const QByteArray& v : variantsOf(page, other, 800)) {
            for (const QByteArray charset : {"utf-8", "", "shift_jis"}) {
                const QString tree = HtmlDocument::treeInnerText(v, charset);
                const QString streamed = HtmlDocument::parse(v, charset).innerText();
                if (streamed != tree)
                    QFAIL(qPrintable(QStringLiteral("page %1\nstreamed %2\ntree     %3")
                                         .arg(QString::fromLatin1(v.toPercentEncoding(" <>/=!\"")),
                                              streamed.toUtf8().toPercentEncoding(" "),
                                              tree.toUtf8().toPercentEncoding(" "))));
            }
        }
    }

    // What the result reader does with a frame: everything from the first
    // "Departing" on, headings removed, must leave the flight rows.
    void resultFrameLeavesTheFlightRows()
    {
        const QString f = HtmlDocument::parse(kResultFrame).innerText();
        QCOMPARE(f, crlf({"Flights", kHeadings, "06:00 SYD07:35 MELQF 4017670YesNo-",
                          QString::fromUtf8("09:00 SYD10:35 MELQF\u00A0409")}));
        QString r = f.mid(f.indexOf(QStringLiteral("Departing")));
        r.remove(kHeadings);
        QVERIFY(r.startsWith(QStringLiteral("\r\n06:00 SYD07:35 MEL")));
    }

    // The flight table as rows of cells: a cell reads as its text, a table in
    // a cell is a table of its own and its text is also the cell's.
    void tablesReadAsRowsOfCells()
    {
        const QList<HtmlTable> frame = HtmlDocument::parse(kResultFrame).tables();
        QCOMPARE(frame.size(), 1);
        QCOMPARE(frame[0].size(), 3);
        QCOMPARE(frame[0][0].join('|'), QString("Departing|Arriving|Flight|Aircraft|Stops|Econ.|Bus.|First"));
        QCOMPARE(frame[0][1], QStringList({"06:00 SYD", "07:35 MEL", "QF 401", "767", "0", "Yes", "No", "-"}));
        QCOMPARE(frame[0][2][2], QString::fromUtf8("QF\u00A0409"));

        const QList<HtmlTable> nested = HtmlDocument::parse(
            "<table><tr><td>a<table><tr><td>b<td> c </table><td>&nbsp;<tr><td>e</table>").tables();
        QCOMPARE(nested.size(), 2);
        QCOMPARE(nested[0], HtmlTable({{"a\r\nbc", ""}, {"e"}}));
        QCOMPARE(nested[1], HtmlTable({{"b", "c"}}));
        QVERIFY(HtmlDocument::parse("<p>no tables</p>").tables().isEmpty());
    }

    void markupKeepsScriptsAndDropsTheHtmlTags()
    {
        const QByteArray page =
            "<HTML><HEAD><TITLE>Your account</TITLE>\n<SCRIPT LANGUAGE=JavaScript>\n<!--\n"
            "if (a < b && c > d) {}\n"
            "departureValues=new Array(\"Adelaide\",\"Albany\",\"Alice Springs\");\n"
            "var departureKeys=new Array(\"ADL\",\"ALH\",\"ASP\");\n"
            "document.write('</TD>');\n// -->\n</SCRIPT></HEAD>\n"
            "<BODY><P>Welcome<TABLE><TR><TD>x</TABLE></BODY></HTML>";
        const QString html = HtmlDocument::parse(page).innerHtml();
        QVERIFY2(!html.contains(QStringLiteral("<html"), Qt::CaseInsensitive), qPrintable(html));
        QVERIFY(!html.contains(QStringLiteral("</html>"), Qt::CaseInsensitive));
        QVERIFY(html.contains(QStringLiteral("if (a < b && c > d) {}")));
        QVERIFY(html.contains(QStringLiteral("document.write('</TD>');")));
        QVERIFY(html.contains(QStringLiteral("Welcome")));

        // The city reader cuts both arrays out of exactly this text.
        CityLists cities(QDir::tempPath() + "/no-such-folder-for-city-files");
        QVERIFY(cities.readCitiesFromMarkup(html));
        QCOMPARE(cities.webNames, QStringList({"Adelaide", "Albany", "Alice Springs"}));
        QCOMPARE(cities.webCodes, QStringList({"ADL", "ALH", "ASP"}));
    }

    void markupKeepsTextInItsCharacterSet()
    {
        const QString html =
            HtmlDocument::parse("<p title=\"caf\xE9\">caf\xE9 &amp; \x93Q\x94</p>").innerHtml();
        QVERIFY2(html.contains(QString::fromUtf8("caf\u00E9 &amp; \u201CQ\u201D")),
                 qPrintable(html));
    }

    void firstFrame_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("frame"); // "none" when the page has no frame

        const QString page = QStringLiteral("https://127.0.0.1:8443/fflyer/dyns/auth/AwardBooking?a=1");
        QTest::newRow("iframe, path relative to the page")
            << QByteArray("<body><IFRAME SRC=\"AwardBookingFrame?id=7&amp;x=2\" WIDTH=600>"
                          "</IFRAME></body>")
            << page << "https://127.0.0.1:8443/fflyer/dyns/auth/AwardBookingFrame?id=7&x=2";
        QTest::newRow("frameset frame, absolute path")
            << QByteArray("<HTML><FRAMESET ROWS=\"*,0\">\n<FRAME NAME=main "
                          "SRC=\"/fflyer/dyns/auth/AwardBookingFrame?id=9\">\n<FRAME SRC=/blank>"
                          "</FRAMESET></HTML>")
            << page << "https://127.0.0.1:8443/fflyer/dyns/auth/AwardBookingFrame?id=9";
        QTest::newRow("the first in document order wins")
            << QByteArray("<body><p><iframe src=\"/first\"></iframe></p><frameset>"
                          "<frame src=\"/second\"></frameset></body>")
            << page << "https://127.0.0.1:8443/first";
        QTest::newRow("full address with blanks and a line break around it")
            << QByteArray("<iframe src=\" http://127.0.0.1:9/f\n?x=1 \">")
            << page << "http://127.0.0.1:9/f?x=1";
        QTest::newRow("base href moves the frame")
            << QByteArray("<head><base href=\"https://127.0.0.1:8443/other/\"></head>"
                          "<body><iframe src=\"f.html\"></iframe></body>")
            << page << "https://127.0.0.1:8443/other/f.html";
        QTest::newRow("frame without a source is blank")
            << QByteArray("<iframe name=x></iframe>") << page << "";
        QTest::newRow("no frame") << QByteArray("<body><a href=f>frame</a></body>") << page
                                  << "none";
    }

    void firstFrame()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, address);
        QFETCH(QString, frame);
        const auto src = HtmlDocument::parse(html, {}, QUrl(address)).firstFrameSource();
        if (frame == QLatin1String("none")) {
            QVERIFY(!src.has_value());
            return;
        }
        QVERIFY(src.has_value());
        QCOMPARE(src->toString(), frame);
    }

    void characterSets_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("httpCharset");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("text");

        const QString cafe = QString::fromUtf8("Caf\u00E9 \u201CBus.\u201D \u20AC5");
        const QByteArray asUtf8 = "Caf\xC3\xA9 \xE2\x80\x9C" "Bus.\xE2\x80\x9D \xE2\x82\xAC" "5";
        const QByteArray as1252 = "Caf\xE9 \x93" "Bus.\x94 \x80" "5";

        QTest::newRow("header says utf-8") << "<p>" + asUtf8 << QByteArray("UTF-8") << "utf-8"
                                           << cafe;
        QTest::newRow("header's iso-8859-1 read as windows-1252")
            << "<p>" + as1252 << QByteArray("ISO-8859-1") << "windows-1252" << cafe;
        QTest::newRow("meta charset")
            << "<html><head><meta charset=\"utf-8\"></head><body>" + asUtf8 << QByteArray()
            << "utf-8" << cafe;
        QTest::newRow("meta http-equiv content")
            << "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
               "charset=utf-8\"></HEAD><BODY>"
                   + asUtf8
            << QByteArray() << "utf-8" << cafe;
        QTest::newRow("header outranks meta")
            << "<meta charset=utf-8><p>" + as1252 << QByteArray("windows-1252")
            << "windows-1252" << cafe;
        QTest::newRow("unknown header label falls through to meta")
            << "<meta charset=utf-8><p>" + asUtf8 << QByteArray("x-no-such-set")
            << "utf-8" << cafe;
        QTest::newRow("meta inside a comment is not read")
            << "<!-- <meta charset=utf-8> --><p>" + as1252 << QByteArray() << "windows-1252"
            << cafe;
        QTest::newRow("nothing said: windows-1252") << "<p>" + as1252 << QByteArray()
                                                    << "windows-1252" << cafe;
        QTest::newRow("byte order mark outranks the header")
            << "\xEF\xBB\xBF<p>" + asUtf8 << QByteArray("windows-1252") << "utf-8" << cafe;
        QTest::newRow("broken utf-8 gives a replacement, not a lost page")
            << QByteArray("<p>Caf\xC3 Bus.</p><p>First</p>") << QByteArray("utf-8") << "utf-8"
            << QString::fromUtf8("Caf\uFFFD Bus.\r\nFirst");
        QTest::newRow("a NUL byte does not end the page")
            << QByteArray("<p>Bus.\0First</p><p>Econ.</p>", 29) << QByteArray("utf-8")
            << "utf-8" << QString::fromUtf8("Bus.\uFFFDFirst\r\nEcon.");
        QTest::newRow("a byte order mark inside the page stays in the text")
            << QByteArray("<p>\xEF\xBB\xBF x</p>") << QByteArray("utf-8") << "utf-8"
            << QChar(0xFEFF) + QStringLiteral(" x");
        // A set Qt cannot read is read through iconv: 0xA4 is the euro in -15.
        QTest::newRow("iso-8859-15 through iconv")
            << QByteArray("<p>\xA4" "5 caf\xE9</p>") << QByteArray("iso-8859-15")
            << "iso-8859-15" << QString::fromUtf8("\u20AC5 caf\u00E9");
        QTest::newRow("shift_jis through iconv, a bad byte replaced")
            << QByteArray("<p>\x93\xFA\x96\x7B \xFF Bus.</p>") << QByteArray("shift_jis")
            << "shift_jis" << QString::fromUtf8("\u65E5\u672C \uFFFD Bus.");
        // A set that shifts between alphabets as it goes.
        QTest::newRow("iso-2022-jp through iconv")
            << QByteArray("<p>\x1B$BF|K\\\x1B(B x</p>") << QByteArray("iso-2022-jp")
            << "iso-2022-jp" << QString::fromUtf8("\u65E5\u672C x");
        QTest::newRow("utf-16 with its mark")
            << QByteArray("\xFF\xFE<\0p\0>\0\xE9\0", 10) << QByteArray() << "utf-16le"
            << QString::fromUtf8("\u00E9");
    }

    void characterSets()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, httpCharset);
        QFETCH(QString, encoding);
        QFETCH(QString, text);
        const HtmlDocument d = HtmlDocument::parse(html, httpCharset);
        QCOMPARE(d.encoding(), encoding);
        QCOMPARE(d.innerText(), text);
    }

    // Bytes a character set cannot hold made libxml2's converters complain on
    // stderr and drop the rest of the text; zelvane-check under cron mails
    // every line.
    void badBytesStayOffStandardError_data()
    {
        QTest::addColumn<QByteArray>("charset");
        for (const char* set : {"shift_jis", "euc-jp", "big5", "iso-2022-jp", "koi8-r", "utf-8", ""})
            QTest::newRow(*set ? set : "none said") << QByteArray(set);
    }

    void badBytesStayOffStandardError()
    {
        QFETCH(QByteArray, charset);
        const QByteArray page("<p>cafe\x82\xFF\xFE\x81\x00 x\x1B$B\x80\xFF</p><p>Bus.</p>", 31);
        QTemporaryFile capture;
        QVERIFY(capture.open());
        std::fflush(stderr);
        const int saved = dup(STDERR_FILENO);
        dup2(capture.handle(), STDERR_FILENO);
        const HtmlDocument d = HtmlDocument::parse(page, charset);
        (void)d.innerHtml();
        (void)HtmlDocument::treeInnerText(page, charset);
        std::fflush(stderr);
        dup2(saved, STDERR_FILENO);
        close(saved);
        QVERIFY(capture.seek(0)); // the offset moved with what fd 2 wrote
        QCOMPARE(capture.readAll(), QByteArray());
        // Bytes the set cannot hold are replaced, not the end of the text.
        QVERIFY2(d.innerText().startsWith(QStringLiteral("cafe")), qPrintable(d.innerText()));
        QVERIFY2(d.innerText().contains(QStringLiteral(" x")), qPrintable(d.innerText()));
    }

    void charsetParameterOfContentType_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("plain") << QByteArray("text/html; charset=ISO-8859-1") << QByteArray("ISO-8859-1");
        QTest::newRow("quoted, blanks") << QByteArray("text/html;Charset = \"utf-8\" ;x=y")
                                        << QByteArray("utf-8");
        QTest::newRow("none") << QByteArray("text/html") << QByteArray();
    }

    void charsetParameterOfContentType()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, charset);
        QCOMPARE(HtmlDocument::charsetParameter(contentType), charset);
    }

    // Pages nobody wrote on purpose still give a document and return quickly.
    void hostilePagesGiveADocument_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("textStart");

        QByteArray deep;
        for (int i = 0; i < 100000; ++i)
            deep += "<div><span><b>";
        deep += "deep";
        QTest::newRow("100000 unclosed nested tags") << deep << "deep";
        QByteArray noise(256 * 1024, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 2654435761u) >> 13);
        QTest::newRow("binary noise") << noise << QString();
        // Hundreds of element names that no page of the site uses.
        QByteArray names;
        for (int i = 0; i < 400; ++i)
            names += "<x" + QByteArray::number(i) + ">";
        QTest::newRow("400 different tag names") << names + "text" << "text";
        QByteArray tables;
        for (int i = 0; i < 20000; ++i)
            tables += "<table><tr><td>";
        QTest::newRow("20000 tables nested") << tables + "cell" << "cell";
        QTest::newRow("unterminated everything")
            << QByteArray("<table><tr><td><!-- <script> <a href=\"x") << QString();
    }

    void hostilePagesGiveADocument()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, textStart);
        const HtmlDocument d = HtmlDocument::parse(html);
        QVERIFY(d.innerText().startsWith(textStart));
        (void)d.innerHtml();
        (void)d.firstFrameSource();
        QVERIFY(d.tables().size() <= html::kMaxTableNesting);
    }
};

QTEST_GUILESS_MAIN(TestHtmlDocument)
#include "test_html_document.moc"
