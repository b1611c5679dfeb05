// The version file and the notice come over plain HTTP from the product
// site: whatever they say, an update is offered only with a newer version
// and a web page to get it from, and the notice is shown whole.
#include "app/MessageBoxes.h"
#include "net/VersionCheck.h"

#include <QUrl>
#include <cstddef>
#include <cstdint>

using namespace zelvane;

namespace {

class YesBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const QString& text, const QString&, MsgIcon, MsgButtons) override
    {
        shown = text;
        return MsgAnswer::Yes;
    }
    QString shown;
};

// The running version is the first byte's pick, so "newer" is met often.
const char* const kRunning[] = {"1.1", "1.9", "0", "", "1.10", "2.0"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ProductNews news;
    if (size == 0)
        return 0;
    const QString running = QString::fromLatin1(kRunning[data[0] % std::size(kRunning)]);
    const bool panelUp = data[0] & 0x80;
    // Decoded as the fetch decodes a reply body.
    const QString body =
        QString::fromLocal8Bit(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    news.newVersion = true;
    news.updateAddress = QStringLiteral("http://earlier.example/");
    const VersionCheckOutcome outcome =
        applyVersionFile(news, body, [panelUp] { return panelUp; }, running);
    if (showNewVersionLabel(news) != news.newVersion)
        __builtin_trap();
    if (outcome == VersionCheckOutcome::NewVersion) {
        const QUrl page(news.updateAddress.trimmed());
        if (!news.newVersion
            || (page.scheme() != QLatin1String("http") && page.scheme() != QLatin1String("https"))
            || page.host().isEmpty())
            __builtin_trap();
    } else if (outcome != VersionCheckOutcome::ResultsShown && news.newVersion) {
        __builtin_trap();
    }

    YesBoxes boxes;
    // A yes is only ever taken with a page to open.
    if (offerUpdate(news, boxes) && news.updateAddress.isEmpty())
        __builtin_trap();

    news.noticeText = body;
    if (showNoticeButton(news) == body.isEmpty())
        __builtin_trap();
    showNotice(news, boxes);
    if (boxes.shown != body)
        __builtin_trap();
    return 0;
}
