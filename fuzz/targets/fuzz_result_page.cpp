// Any page text and frame text the site shows: seats are reported only from
// a real availability page with a flight table in its frame, only with the
// flight table's text, and never without seats in the cabin asked for.
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

// Byte 0: which texts there are; byte 1: the cabin asked for; bytes 2 and 3
// are kept for later choices; then the page text, a NUL, the frame text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const Cabin cabin = Cabin(data[1] % 4);
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

    const ResultPageReading reading = readResultPage(browser.page, browser.frame);
    if (reading.seats() != !reading.resultText.isEmpty())
        __builtin_trap();
    if (reading.seats()
        && (!browser.page || !browser.frame || !browser.page->contains(kAvailabilityMarker)
            || browser.page->contains(kNoFlightsMarker)
            || browser.page->contains(kStartAgainMarker)
            || !browser.frame->contains(kDeparting)))
        __builtin_trap();

    // Through the browser, as a check reads it: never seats the plain
    // reading did not find, nor seats without any in the cabin.
    const ResultPageReading shown = readResultPage(browser, cabin);
    if (shown.seats() != !shown.resultText.isEmpty() || (shown.seats() && !reading.seats()))
        __builtin_trap();
    if (shown.seats() && !cabinHasSeats(cabin, shown.flights))
        __builtin_trap();
    if (cabin == Cabin::Any && shown.seats() != reading.seats())
        __builtin_trap();
    return 0;
}
