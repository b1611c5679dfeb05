#include "results/ResultPage.h"

#include "browser/WebBrowser.h"

namespace zelvane {

namespace {

SearchOutcome notKnown(UnreadablePage kind, const QString& reason)
{
    SearchOutcome r;
    r.unreadable = kind;
    r.reason = reason;
    return r;
}

} // namespace

QString unreadablePageName(UnreadablePage kind)
{
    switch (kind) {
    case UnreadablePage::StartAgain: return QStringLiteral("start-again");
    case UnreadablePage::OtherPage: return QStringLiteral("other-page");
    case UnreadablePage::NoFrame: return QStringLiteral("no-frame");
    case UnreadablePage::FlightTable: return QStringLiteral("flight-table");
    case UnreadablePage::None: break;
    }
    return {};
}

SearchOutcome readResultPage(const std::optional<QString>& pageText,
                                 const std::optional<QString>& frameText)
{
    if (!pageText)
        return notKnown(UnreadablePage::OtherPage, QStringLiteral("the result page could not be read"));
    // The site says so itself; its page carries "Availability" too.
    if (pageText->contains(kNoFlightsMarker)) {
        SearchOutcome none;
        none.availability = Availability::NoSeats;
        return none;
    }
    if (pageText->contains(kStartAgainMarker))
        return notKnown(UnreadablePage::StartAgain, QStringLiteral("the site did not take the search (it asked to start again)"));
    if (!pageText->contains(kAvailabilityMarker))
        return notKnown(UnreadablePage::OtherPage, QStringLiteral("the site answered with a page that is no result page"));
    if (!frameText)
        return notKnown(UnreadablePage::NoFrame, QStringLiteral("the result page has no flight table to read"));
    SearchOutcome reading = notKnown(UnreadablePage::FlightTable,
                                         QStringLiteral("the flight table of the result page could not be read"));
    const qsizetype at = frameText->indexOf(kDeparting);
    if (at >= 0) {
        reading.pageText = frameText->mid(at);
        reading.pageText.remove(kFlightTableHeadings);
    }
    return reading;
}

SearchOutcome withFlights(SearchOutcome reading, const std::optional<QList<HtmlTable>>& frameTables,
                          const SeatsWanted& wanted)
{
    // Only an availability page with a frame gets this far undecided.
    if (reading.unreadable != UnreadablePage::FlightTable)
        return reading;
    const std::optional<QList<FlightRow>> flights = frameTables ? readFlightTable(*frameTables) : std::nullopt;
    if (!flights) {
        reading.pageText.clear();
        return reading;
    }
    reading.flights = *flights;
    reading.unreadable = UnreadablePage::None;
    reading.reason.clear();
    const SeatDecision decision = decideSeats(*flights, wanted);
    reading.offers = decision.offers;
    reading.availability = !reading.offers.isEmpty() ? Availability::Seats
                           : decision.unsure > 0     ? Availability::NotKnown
                                                     : Availability::NoSeats;
    if (reading.availability == Availability::NotKnown)
        // Seats the user may not want are not told, nor taken for none.
        reading.reason = decision.unsure == 1
                             ? QStringLiteral("the stops or departure time of a flight with seats could not be read")
                             : QStringLiteral("the stops or departure times of %1 flights with seats could not be read")
                                   .arg(decision.unsure);
    if (!reading.seats()) {
        reading.pageText.clear();
    } else if (reading.pageText.isEmpty()) {
        // What is printed of seats is never nothing.
        QStringList rows;
        for (const FlightRow& f : *flights)
            rows << f.cells().join(QLatin1Char('\t'));
        reading.pageText = rows.join(QStringLiteral("\r\n"));
    }
    return reading;
}

SearchOutcome readResultPage(const WebBrowser& browser, const SeatsWanted& wanted)
{
    const std::optional<QString> page = browser.documentText();
    // The frame is only worth reading once the page itself qualifies, and
    // its tables only once it is an availability page with a frame.
    SearchOutcome reading = readResultPage(page, page ? browser.frameText(0) : std::nullopt);
    const auto tables = reading.unreadable == UnreadablePage::FlightTable ? browser.frameTables(0) : std::nullopt;
    return withFlights(std::move(reading), tables, wanted);
}

} // namespace zelvane
