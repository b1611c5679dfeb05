// Any page text and frame text the site shows: seats are reported only from
// a real availability page with a flight table in its frame, the table keeps
// its 100 entries whatever index or deletion comes in, and every entry shows
// one of its three states.
#include "results/ResultIcons.h"
#include "results/ResultTable.h"
#include "browser/WebBrowser.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

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

void checkStates(const ResultTable& table)
{
    for (int k = 0; k < kMaxItineraries; ++k) {
        const ResultEntry& e = table.entry(k);
        const int icon = table.icon(k);
        if ((icon == kIconAvailable) != !e.resultText.isEmpty()
            || (icon != kIconAvailable && icon != kIconNotAvailable && icon != kIconNotChecked))
            __builtin_trap();
    }
}

} // namespace

// Byte 0: which texts there are; byte 1: the entry (signed, so both ends of
// the table are passed); bytes 2 and 3: a deletion (position, count); then
// the page text, a NUL, the frame text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const int k = int(int8_t(data[1]));
    const int position = int(int8_t(data[2]));
    const int count = int(int8_t(data[3])) * 2;
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
    if (reading.available != !reading.resultText.isEmpty())
        __builtin_trap();
    if (reading.available
        && (!browser.page || !browser.frame || !browser.page->contains(kAvailabilityMarker)
            || browser.page->contains(kNoFlightsMarker)
            || browser.page->contains(kStartAgainMarker)
            || !browser.frame->contains(kDeparting)))
        __builtin_trap();

    // On the heap, so a write past the last entry is caught.
    auto table = std::make_unique<ResultTable>();
    const ResultPageReading shown = readResultPage(browser, Cabin::Any);
    const bool available = shown.available;
    if (available != reading.available)
        __builtin_trap();
    table->setDays(k, {DayResult{QDate(2027, 1, 1), shown.available, shown.resultText, shown.flights}});
    if (ResultTable::inRange(k) && table->entry(k).resultText != reading.resultText)
        __builtin_trap();
    table->markNotAvailableIfEmpty(k);
    checkStates(*table);
    if (ResultTable::inRange(k)
        && table->icon(k) != (available ? kIconAvailable : kIconNotAvailable))
        __builtin_trap();
    table->removePosition(position, count);
    checkStates(*table);
    table->resetEntry(k);
    if (table->icon(k) != kIconNotChecked)
        __builtin_trap();
    return 0;
}
