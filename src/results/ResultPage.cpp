#include "results/ResultPage.h"

#include "browser/WebBrowser.h"


namespace zelvane {

ResultPageReading readResultPage(const std::optional<QString>& pageText,
                                 const std::optional<QString>& frameText)
{
    if (!pageText || pageText->contains(kNoFlightsMarker) || pageText->contains(kStartAgainMarker)
        || !pageText->contains(kAvailabilityMarker) || !frameText)
        return {};
    const qsizetype at = frameText->indexOf(kDeparting);
    if (at < 0)
        return {};
    QString rest = frameText->mid(at);
    rest.remove(kFlightTableHeadings);
    return {rest.isEmpty() ? Availability::NoSeats : Availability::Seats, rest, {}};
}

ResultPageReading withFlights(ResultPageReading reading,
                              const std::optional<QList<HtmlTable>>& frameTables, Cabin cabin)
{
    if (!reading.seats())
        return reading;
    if (frameTables)
        reading.flights = flightRows(*frameTables);
    if (!cabinHasSeats(cabin, reading.flights)) {
        reading.availability = Availability::NoSeats;
        reading.resultText.clear();
    }
    return reading;
}

ResultPageReading readResultPage(const WebBrowser& browser, Cabin cabin)
{
    const std::optional<QString> page = browser.documentText();
    // The frame is only worth reading once the page itself qualifies, and
    // its tables only once it shows a flight table.
    ResultPageReading reading = readResultPage(page, page ? browser.frameText(0) : std::nullopt);
    const auto tables = reading.seats() ? browser.frameTables(0) : std::nullopt;
    return withFlights(std::move(reading), tables, cabin);
}

} // namespace zelvane
