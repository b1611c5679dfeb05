#include "results/ResultTable.h"

#include "browser/WebBrowser.h"

namespace zelvane {

const ResultEntry& ResultTable::entry(int k) const
{
    static const ResultEntry none;
    return inRange(k) ? entries_[k] : none;
}

int ResultTable::icon(int k) const
{
    const ResultEntry& e = entry(k);
    if (!e.resultText.isEmpty())
        return kIconAvailable;
    return e.notAvailable ? kIconNotAvailable : kIconNotChecked;
}

void ResultTable::setResultText(int k, const QString& text)
{
    if (inRange(k))
        entries_[k].resultText = text;
}

void ResultTable::setFlights(int k, const QList<FlightRow>& flights)
{
    if (inRange(k))
        entries_[k].flights = flights;
}

void ResultTable::clearResultText(int k)
{
    setResultText(k, QString());
    setFlights(k, {});
}

void ResultTable::markNotAvailableIfEmpty(int k)
{
    if (inRange(k) && entries_[k].resultText.isEmpty())
        entries_[k].notAvailable = true;
}

void ResultTable::resetEntry(int k)
{
    if (inRange(k))
        entries_[k] = ResultEntry{};
}

void ResultTable::removePosition(int p, int n)
{
    n = std::min(n, kMaxItineraries);
    if (p < 1 || p > n)
        return;
    for (int e = p - 1; e <= n - 2; ++e)
        entries_[e] = entries_[e + 1];
    entries_[n - 1] = ResultEntry{};
}

void ResultTable::clearAll()
{
    entries_.fill(ResultEntry{});
}

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
    return {!rest.isEmpty(), rest, {}};
}

ResultPageReading withFlights(ResultPageReading reading,
                              const std::optional<QList<HtmlTable>>& frameTables, Cabin cabin)
{
    if (!reading.available)
        return reading;
    if (frameTables)
        reading.flights = flightRows(*frameTables);
    if (!cabinHasSeats(cabin, reading.flights)) {
        reading.available = false;
        reading.resultText.clear();
    }
    return reading;
}

bool readResultPage(const WebBrowser& browser, ResultTable& table, int k, Cabin cabin)
{
    const std::optional<QString> page = browser.documentText();
    // The frame is only worth reading once the page itself qualifies, and
    // its tables only once it shows a flight table.
    ResultPageReading reading = readResultPage(page, page ? browser.frameText(0) : std::nullopt);
    const auto tables = reading.available ? browser.frameTables(0) : std::nullopt;
    reading = withFlights(std::move(reading), tables, cabin);
    table.setResultText(k, reading.resultText);
    table.setFlights(k, reading.flights);
    return reading.available;
}

} // namespace zelvane
