// Any page text and frame text the site shows: seats are reported only from
// a real availability page with a flight table in its frame, only with the
// flight table's text, and never without seats for the party in the cabin
// asked for; no seats only from the site's own no-availability page or a
// flight table it read; anything else is not known, with why.
#include "browser/WebBrowser.h"
#include "results/ResultPage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

using namespace zelvane;

namespace {

// Shows the two texts as a browser that has finished loading.
class ShownPage final : public WebBrowser {
public:
    std::optional<QString> page, frame;
    void navigate(const QString&) override {}
    bool busy() const override { return false; }
    QString locationUrl() const override { return {}; }
    PageStatus pageStatus() const override { return {200, QStringLiteral("OK")}; }
    std::optional<QString> documentText() const override { return page; }
    std::optional<QString> frameText(int index) const override
    {
        return index == 0 ? frame : std::nullopt;
    }
    std::optional<QString> documentHtml() const override { return page; }
};

} // namespace

// Byte 0: which texts there are; byte 1: the cabin asked for; byte 2: the
// adults; byte 3 is kept for later choices; then the page text, a NUL, the
// frame text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const Cabin cabin = Cabin(data[1] % 4);
    const int adults = 1 + data[2] % 9;
    const char* text = reinterpret_cast<const char*>(data + 4);
    const size_t textSize = size - 4;
    const char* nul = static_cast<const char*>(std::memchr(text, 0, textSize));
    const size_t pageSize = nul ? size_t(nul - text) : textSize;

    ShownPage browser;
    if (data[0] & 1)
        browser.page = QString::fromUtf8(text, qsizetype(pageSize));
    if (data[0] & 2)
        browser.frame = nul ? QString::fromUtf8(nul + 1, qsizetype(textSize - pageSize - 1))
                            : QString();

    // From the texts alone nothing is seats; not known always says why.
    const SearchOutcome reading = readResultPage(browser.page, browser.frame);
    if (reading.seats() || (reading.availability == Availability::NotKnown) == reading.reason.isEmpty())
        __builtin_trap();
    if (reading.availability == Availability::NoSeats && !browser.page->contains(kNoFlightsMarker))
        __builtin_trap();

    // Through the browser, as a check reads it. This browser tells no
    // tables, so no flight table is read: an availability page with a frame
    // stays not known, and never becomes seats or no seats.
    const SearchOutcome shown = readResultPage(browser, SeatsWanted{cabin, adults});
    if (shown.seats() || shown.availability != reading.availability)
        __builtin_trap();
    if (shown.availability == Availability::NotKnown && shown.unreadable == UnreadablePage::None)
        __builtin_trap();

    // The flight table decides seats for the party, and only with its text.
    const QList<HtmlTable> tables{HtmlTable{flightColumns(), {"09:05 SYD", "10:35 MEL", "QF 1", "738", "0", "2", "Yes", ""}}};
    const SearchOutcome decided = withFlights(reading, tables, SeatsWanted{cabin, adults});
    // Seats exactly when some flight seats the party, each offer a cabin the
    // watch takes with enough seats.
    if (decided.seats() != !decided.pageText.isEmpty() || decided.seats() != !decided.offers.isEmpty())
        __builtin_trap();
    for (const SeatOffer& o : decided.offers)
        if (!cabinsOf(cabin).contains(o.cabin) || !decided.flights.value(o.flight).seats(o.cabin).seats(adults))
            __builtin_trap();
    if (reading.unreadable == UnreadablePage::FlightTable && decided.availability == Availability::NotKnown)
        __builtin_trap();
    return 0;
}
