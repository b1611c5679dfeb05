// The browser layer's costs: reading a 1 MB result page, a whole award
// search navigation (page and frame 0) on loopback, and memory across 1,000
// navigations. Prints figures; never fails on time.
#include "engine/AwardQuery.h"
#include "engine/HtmlDocument.h"
#include "engine/HttpBrowser.h"
#include "support/SiteSim.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace zelvane;
using zelvane::test::procStatus;

namespace {

constexpr int kParseRuns = 25;
constexpr int kNavigations = 1000;
constexpr int kFlightRows = 120; // makes frame 0 about 20 KB
constexpr qsizetype kLargePage = 1024 * 1024;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QStringList flightRow(int i)
{
    return {QStringLiteral("SYD %1:05").arg(6 + i % 14, 2, 10, QLatin1Char('0')),
            QStringLiteral("MEL %1:40").arg(7 + i % 14, 2, 10, QLatin1Char('0')),
            QStringLiteral("QF %1").arg(400 + i), QStringLiteral("Boeing 767-300"),
            QString::number(i % 2), QStringLiteral("Available"), QStringLiteral("Waitlist"),
            QStringLiteral("-")};
}

// A result frame as the site writes it, grown to about `size` bytes.
QByteArray largeResultPage(qsizetype size)
{
    QByteArray page =
        "<HTML><HEAD><TITLE>Award Availability</TITLE>\n<SCRIPT LANGUAGE=\"JavaScript\">\n"
        "<!--\nfunction pick(f) { return f; }\n//-->\n</SCRIPT></HEAD>\n<BODY BGCOLOR=#FFFFFF>\n"
        "<FONT FACE=Arial SIZE=2>Select a flight &amp; class below.</FONT>\n<!-- grid -->\n"
        "<TABLE BORDER=0 CELLPADDING=2 CELLSPACING=1 WIDTH=\"100%\">\n<TR BGCOLOR=\"#CC0000\">\n"
        "<TD>Departing\n<TD>Arriving\n<TD>Flight\n<TD>Aircraft\n<TD>Stops\n<TD>Econ.\n<TD>Bus.\n"
        "<TD>First\n";
    for (int i = 0; page.size() < size; ++i) {
        page += i % 2 ? "<TR>\n" : "<TR BGCOLOR=\"#F0F0F0\">\n";
        for (const QString& cell : flightRow(i))
            page += "<TD><FONT SIZE=1>" + cell.toLatin1() + "</FONT>\n";
    }
    page += "</TABLE>\n</BODY>\n</HTML>\n";
    return page;
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void benchReading(qsizetype size, const char* what)
{
    const QByteArray page = largeResultPage(size);
    std::vector<double> wallMs, cpuMs, parseMs, textMs, htmlMs;
    qsizetype textSize = 0;
    for (int run = 0; run < kParseRuns; ++run) {
        QElapsedTimer t;
        t.start();
        const double cpu = threadCpuMs();
        const HtmlDocument doc = HtmlDocument::parse(page, "ISO-8859-1");
        const double parsed = t.nsecsElapsed() / 1e6;
        const QString text = doc.innerText();
        wallMs.push_back(t.nsecsElapsed() / 1e6);
        cpuMs.push_back(threadCpuMs() - cpu);
        parseMs.push_back(parsed);
        textMs.push_back(wallMs.back() - parsed);
        textSize = text.size();
        t.restart();
        const QString html = doc.innerHtml();
        htmlMs.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("read %s result page (%lld bytes, %lld characters of text), median of %d:\n"
                "  parse + innerText: %.2f ms wall, %.2f ms CPU (parse %.2f, innerText %.2f)\n"
                "  innerHTML afterwards: %.2f ms\n",
                what, static_cast<long long>(page.size()), static_cast<long long>(textSize),
                kParseRuns, median(wallMs), median(cpuMs), median(parseMs), median(textMs),
                median(htmlMs));
}

// Runs the event loop until the browser is done; replies freed as they would
// be under the program's own loop.
void waitIdle(HttpBrowser& b)
{
    while (b.Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool benchNavigation(bool tls)
{
    QJsonArray rows;
    for (int i = 0; i < kFlightRows; ++i)
        rows.append(QJsonArray::fromStringList(flightRow(i)));
    QJsonObject itinerary{{"from", "SYD"}, {"to", "MEL"}, {"date", "24/12/2026"}, {"rows", rows}};
    QJsonObject scenario{{"available", QJsonArray{itinerary}}};
    test::SiteSim sim(QString::fromUtf8(QJsonDocument(scenario).toJson()), tls);
    if (!sim.start()) {
        std::printf("the site simulator did not start\n");
        return false;
    }
    qputenv("ZELVANE_CA_FILE", sim.caFile().toLocal8Bit());
    HttpBrowser b;
    const QString base = sim.baseUrl();
    b.Navigate(base + "/fflyer/dyns/dologin?action=login&origin=homepage&login_ffNumber=1234567"
                      "&login_surname=Smith&login_pin=1234");
    waitIdle(b);
    const QString search = *awardSearchUrl(
        base, {"Sydney", "Melbourne", "24/12/2026", "Morning", "SYD", "MEL"});

    std::vector<double> ms;
    int withFrame = 0;
    qsizetype pageBytes = 0, frameChars = 0;
    for (int i = 1; i <= kNavigations; ++i) {
        QElapsedTimer t;
        t.start();
        b.Navigate(search);
        while (b.Busy())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ms.push_back(t.nsecsElapsed() / 1e6);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (const auto f = b.frameText(0); f && f->contains("QF 400")) {
            ++withFrame;
            frameChars = f->size();
        }
        if (i == 1)
            pageBytes = b.documentHtml().value_or(QString()).size();
        if (i == 100 || i == kNavigations)
            std::printf("  after %4d navigations: VmRSS %s, VmHWM %s\n", i,
                        procStatus("VmRSS:").constData(), procStatus("VmHWM:").constData());
    }
    // Frame 0 on its own, to say how large a result page this is.
    const QString frameUrl = base + "/fflyer/dyns/auth/AwardBookingFrame?id=1";
    b.Navigate(frameUrl);
    waitIdle(b);
    const qsizetype frameBytes = b.documentHtml().value_or(QString()).size();

    std::printf("award search over %s on loopback (page ~%lld B + frame 0 ~%lld B, %lld text "
                "characters), %d navigations, %d with the flight table:\n"
                "  Navigate to Busy false: median %.2f ms, p90 %.2f ms (goal < 5 ms)\n",
                tls ? "HTTPS" : "HTTP", static_cast<long long>(pageBytes),
                static_cast<long long>(frameBytes), static_cast<long long>(frameChars),
                kNavigations, withFrame, median(ms),
                [&] {
                    std::vector<double> s = ms;
                    std::sort(s.begin(), s.end());
                    return s[s.size() * 9 / 10];
                }());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Navigations first, so the memory peak they print is their own.
    bool ok = benchNavigation(true);
    std::fflush(stdout);
    ok = benchNavigation(false) && ok;
    benchReading(kLargePage, "1 MB"); // goal < 20 ms
    benchReading(20 * 1024, "20 KB");
    return ok ? 0 : 1;
}
