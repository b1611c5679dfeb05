#include "results/ResultTable.h"

#include "browser/WebBrowser.h"

#include <QLocale>

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

void ResultTable::setDays(int k, const QList<DayResult>& days)
{
    if (!inRange(k))
        return;
    ResultEntry& e = entries_[k];
    e.days = days;
    e.resultText.clear();
    e.flights = days.isEmpty() ? QList<FlightRow>() : days.first().flights;
    bool flightsChosen = false;
    for (const DayResult& d : days) {
        if (!d.available)
            continue;
        if (days.size() > 1)
            e.resultText += fullDayName(d.date) + QStringLiteral("\r\n");
        e.resultText += d.resultText;
        if (days.size() > 1)
            e.resultText += QStringLiteral("\r\n\r\n");
        if (!flightsChosen)
            e.flights = d.flights;
        flightsChosen = true;
    }
}

QString shortDayName(const QDate& date)
{
    // English like every other text of the program, whatever the locale.
    return QLocale::c().dayName(date.dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ')
           + QString::number(date.day());
}

QString fullDayName(const QDate& date)
{
    return QLocale::c().dayName(date.dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ')
           + date.toString(QStringLiteral("dd/MM/yyyy"));
}

QList<QDate> seatDays(const ResultEntry& entry)
{
    QList<QDate> days;
    for (const DayResult& d : entry.days)
        if (d.available)
            days << d.date;
    return days;
}

QString seatDaysSummary(const ResultEntry& entry)
{
    if (entry.days.size() < 2)
        return {};
    const QList<QDate> found = seatDays(entry);
    QString text = QStringLiteral("%1 of %2 days").arg(found.size()).arg(entry.days.size());
    QStringList names;
    for (const QDate& d : found)
        names << shortDayName(d);
    if (!names.isEmpty())
        text += QStringLiteral(": ") + names.join(QStringLiteral(", "));
    return text;
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

ResultPageReading readResultPage(const WebBrowser& browser, Cabin cabin)
{
    const std::optional<QString> page = browser.documentText();
    // The frame is only worth reading once the page itself qualifies, and
    // its tables only once it shows a flight table.
    ResultPageReading reading = readResultPage(page, page ? browser.frameText(0) : std::nullopt);
    const auto tables = reading.available ? browser.frameTables(0) : std::nullopt;
    return withFlights(std::move(reading), tables, cabin);
}

} // namespace zelvane
