// Shows the main window with a sample watch list and history and writes one
// picture per panel, one of the first itinerary's history window, one of
// the itinerary panel with flexible trips for several travellers, the rows
// and pop-ups of what checks found, a whole-trip row with its tooltip and
// the calendar of a party's flexible week:
// zelvane-shots [--dark] [--suffix TEXT] FOLDER
// With --wide, the results panel of a long watch list in the window
// maximised, and the days of a flexible itinerary being chosen. With
// --linger the window stays open afterwards, to be looked at.
#include "app/Clock.h"
#include "app/MessageBoxes.h"
#include "app/SettingsArea.h"
#include "net/VersionCheck.h"
#include "notify/AlertSender.h"
#include "notify/SessionAlerter.h"
#include "itineraries/WatchListFile.h"
#include "results/CheckRecords.h"
#include "startup/CheckRig.h"
#include "startup/Startup.h"
#include "ui/AboutWindow.h"
#include "ui/DateField.h"
#include "ui/AlertsPanel.h"
#include "ui/NoteLabel.h"
#include "ui/Skin.h"
#include "ui/ImageButton.h"
#include "ui/ResultsPanel.h"
#include "ui/HistoryWindow.h"
#include "ui/MainWindow.h"
#include "ui/QtDialogs.h"
#include "ui/SeatCalendarView.h"
#include "engine/BookingLink.h"
#include "net/Addresses.h"
#include "ui/SeatPopup.h"
#include "ui/WatchHolds.h"
#include "results/SeatTexts.h"

#include <QApplication>
#include <QCheckBox>
#include <QSignalBlocker>
#include <QComboBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QScreen>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>
#include <QTimeEdit>
#include <QTreeView>
#include <optional>

using namespace zelvane;

namespace {

class NoBoxes final : public MessageBoxes {
public:
    MsgAnswer show(const QString&, const QString&, MsgIcon, MsgButtons) override { return MsgAnswer::Ok; }
};

// The shots click nothing that asks or opens a page.
QtDialogs realDialogs;

// The history window of `position`, once it holds what the history holds:
// it is read off the window's thread.
HistoryWindow* readHistoryWindow(MainWindow& w, int position);

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The colour key's holes become transparent, as on the desktop.
QImage withHoles(QImage shot)
{
    shot = shot.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < shot.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(shot.scanLine(y));
        for (int x = 0; x < shot.width(); ++x)
            if ((line[x] | 0xff000000) == kColourKey.rgb())
                line[x] = 0;
    }
    return shot;
}

// Two months of checks twice a day: seats on the first flight come and go,
// the second never has any, a logout now and then.
void recordSampleHistory(ProgramData& state, const QDateTime& last)
{
    state.history.open(state.parts.dataFolder, last);
    QList<ItineraryKey> keys;
    for (int p = 1; p <= state.watchList.count(); ++p)
        keys << historyKeys(state.watchList.at(p)).value(0);
    const int sessions = 120;
    for (int n = 0; n < sessions; ++n) {
        QList<CheckRecord> checks;
        for (int i = 0; i < 4; ++i) {
            CheckRecord c;
            c.position = i + 1;
            c.key = keys[i];
            const bool seats = (i == 0 && ((n / 9) % 3 == 1 || n > 112)) || (i == 3 && n % 40 > 30);
            c.outcome = n % 23 == 7 ? CheckOutcome::LoggedOut
                        : seats     ? CheckOutcome::Available
                                    : CheckOutcome::NotAvailable;
            checks << c;
        }
        state.history.recordSession(last.addSecs(-qint64(sessions - 1 - n) * 12 * 3600), true, checks);
    }
}

struct ShotOptions {
    bool dark = false;
    bool wide = false;
    bool linger = false;
    QString suffix; // ends every file name, after the theme
    QDir folder;
};

std::optional<ShotOptions> parseArguments(QStringList args)
{
    ShotOptions o;
    o.dark = args.removeAll(QStringLiteral("--dark")) > 0;
    o.wide = args.removeAll(QStringLiteral("--wide")) > 0;
    o.linger = args.removeAll(QStringLiteral("--linger")) > 0;
    if (const qsizetype i = args.indexOf(QStringLiteral("--suffix")); i >= 0 && i + 1 < args.size()) {
        o.suffix = args[i + 1];
        args.remove(i, 2);
    }
    if (args.size() != 1)
        return std::nullopt;
    o.folder = QDir(args[0]);
    return o;
}

// Writes FOLDER/NAME[-dark]SUFFIX.png.
void savePicture(const QImage& picture, const QString& name, const ShotOptions& o)
{
    const QString file = o.folder.filePath(name + (o.dark ? QStringLiteral("-dark") : QString()) + o.suffix
                                           + QStringLiteral(".png"));
    if (!picture.save(file))
        qWarning("could not write %s", qPrintable(file));
}

void fillSampleSettings(Settings& s)
{
    s.member.change([](Member& m) {
        m.number = 1234567;
        m.surname = QStringLiteral("Smith");
        m.setPinText(QStringLiteral("1234"));
        m.email = QStringLiteral("j.smith@example.com");
    });
    s.schedule.change([](Schedule& t) {
        t.everyHours = 24;
        t.lastLoginTime = QDateTime(QDate(2026, 12, 8), QTime(7, 42, 15));
    });
    s.mailPolicy.set(MailPolicy::IfAvailable);
    s.channels.change([](AlertChannels& c) {
        c.smtpHost = QStringLiteral("smtp.example.com");
        c.smtpUser = QStringLiteral("j.smith@example.com");
        c.pushUrl = QStringLiteral("https://ntfy.sh/smith-seats");
    });
}

ProductNews sampleNews()
{
    ProductNews news;
    news.newVersion = true;
    news.updateAddress = QStringLiteral("http://www.zelvane.example/download.html");
    news.noticeText = QStringLiteral("Scheduled maintenance on Sunday.");
    return news;
}

void addSampleItineraries(ProgramData& state)
{
    for (const char* line : {"Sydney;London;14/03/2027;Evening;SYD;LON;Business;1;3", "Melbourne;Singapore;02/04/2027;Morning;MEL;SIN",
                             "Brisbane;Auckland;21/05/2027;09:00;BNE;AKL;Economy", "Perth;Sydney;30/06/2027;Afternoon;PER;SYD",
                             "Adelaide;Darwin;11/07/2027;18:00;ADL;DRW"})
        state.watchList.add(readItineraryLine(QString::fromLatin1(line)).itinerary);
}

// The flights of one day from London: `count` of them, an hour or so apart,
// seats here and there.
QList<FlightRow> rowsOf(const QList<QStringList>& cells)
{
    QList<FlightRow> rows;
    for (const QStringList& c : cells)
        rows << FlightRow::fromCells(c);
    return rows;
}

QList<FlightRow> sampleFlights(int count, int seed)
{
    static const char* const aircraft[] = {"388", "789", "333", "332", "738"};
    QList<QStringList> flights;
    for (int i = 0; i < count; ++i) {
        const QTime leaves = QTime(6, 5).addSecs(i * 4200 + seed * 600);
        const auto cabin = [&](int every) { return (i + seed) % every == 0 ? QStringLiteral("Yes") : QStringLiteral("No"); };
        flights << QStringList{leaves.toString("hh:mm") + " SYD", leaves.addSecs(22 * 3600 + 5 * 60).toString("hh:mm") + " LHR",
                             QStringLiteral("QF %1").arg(1 + 2 * i), QLatin1String(aircraft[(i + seed) % 5]),
                             QString::number(1 + i % 2), cabin(2), i == 1 ? QStringLiteral("2") : cabin(4), cabin(7)};
    }
    return rowsOf(flights);
}

// Four days searched for the first itinerary, seats on two of them; none
// for the second, one line for the fourth; the fifth's page unreadable.
SearchOutcome sampleOutcome(const QDate& date, bool seats, const QString& text, const QList<FlightRow>& flights,
                            Cabin cabin = Cabin::Any, int needed = 1)
{
    SearchOutcome o;
    o.availability = seats ? Availability::Seats : Availability::NoSeats;
    o.date = date;
    o.pageText = seats ? text : QString();
    o.flights = flights;
    if (seats)
        o.offers = seatOffers(flights, SeatsWanted{cabin, needed});
    return o;
}

void showSampleResults(MainWindow& w, CheckResults& results, int flightsPerDay)
{
    ItineraryResult first;
    for (int d = 0; d < 4; ++d) {
        const bool seats = d == 1 || d == 3;
        first.days << sampleOutcome(QDate(2027, 3, 14).addDays(d), seats,
                                    QStringLiteral("09:05 SYD\t06:10 LHR\tQF 1\t388\t1\tEcon. Yes  Bus. 2"),
                                    sampleFlights(seats ? flightsPerDay : 2, d));
    }
    results.set(1, first);
    results.set(2, ItineraryResult{{sampleOutcome(QDate(2027, 4, 2), false, {}, {})}});
    results.set(4, ItineraryResult{{sampleOutcome(QDate(2027, 6, 30), true,
                                                  QStringLiteral("13:20 PER\t18:45 SYD\tQF 644\t332\t0\tEcon. Yes"),
                                                  {})}});
    // A page it could not read is not "no seats": the row says so and why.
    results.set(5, ItineraryResult{{SearchOutcome::notKnown(
                       QDate(2027, 7, 11), QStringLiteral("the flight table of the result page could not be read"))}});
    w.setStatus(QStringLiteral("Session completed...See Results"));
}

void shootWindow(MainWindow& w, const QString& name, const ShotOptions& o)
{
    settle(200);
    savePicture(withHoles(w.grab().toImage()), name, o);
}

HistoryWindow* readHistoryWindow(MainWindow& w, int position)
{
    w.findChild<ResultsPanel*>(QStringLiteral("resultsPanel"))->showHistory(position);
    QElapsedTimer t;
    t.start();
    HistoryWindow* history = nullptr;
    while (t.elapsed() < 10000
           && (!(history = w.findChild<HistoryWindow*>(QStringLiteral("historyWindow"))) || !history->isRead()))
        settle(20);
    settle(400);
    return history;
}

// The history of the first itinerary, in its own window.
void shootHistory(MainWindow& w, const ShotOptions& o)
{
    if (auto* history = readHistoryWindow(w, 1)) {
        savePicture(history->grab().toImage(), QStringLiteral("history"), o);
        history->close();
    }
}

void showFirstResult(MainWindow& w)
{
    w.showResultsPanel();
    auto* list = w.findChild<QTreeView*>(QStringLiteral("resultsList"));
    list->setCurrentIndex(list->model()->index(0, 0));
    emit list->clicked(list->model()->index(0, 0));
}

// The results of a long watch list with the window maximised, and the days
// of the first itinerary with the list of them open (a window of its own,
// so the picture is taken of the screen).
void shootWide(MainWindow& w, ProgramData& state, CheckResults& results, const ShotOptions& o)
{
    const QStringList cities{"Adelaide", "Brisbane", "Cairns", "Darwin", "Hobart", "Perth", "Sydney"};
    const QStringList codes{"ADL", "BNE", "CNS", "DRW", "HBA", "PER", "SYD"};
    for (int i = 0; i < 19; ++i) {
        Itinerary it;
        it.origin = {cities[i % 7], codes[i % 7]};
        it.destination = {cities[(i + 3) % 7], codes[(i + 3) % 7]};
        it.date = QDate(2027, 8, 1).addDays(i * 5);
        it.timeOfDay = QStringLiteral("Morning");
        state.watchList.add(it);
    }
    for (int p = 6; p <= 24; p += 3)
        if (results.at(p).days.isEmpty())
            results.set(p, ItineraryResult{{sampleOutcome(state.watchList.at(p).date, false, {}, {})}});
    w.showMaximized();
    settle(600);
    showFirstResult(w);
    w.findChild<QTreeView*>(QStringLiteral("resultsList"))->setFocus(); // as after a click on it
    shootWindow(w, QStringLiteral("results-wide"), o);
    auto* days = w.findChild<QComboBox*>(QStringLiteral("dayChoice"));
    days->setFocus();
    days->showPopup();
    settle(400);
    const QRect around = w.frameGeometry();
    savePicture(w.screen()->grabWindow(0, around.x(), around.y(), around.width(), around.height()).toImage(),
                QStringLiteral("results-days"), o);
    days->hidePopup();
}

// A row shown with its tooltip: a window of its own, so the picture is taken
// of the screen.
void shootRowTooltip(MainWindow& w, int position, const QString& name, const ShotOptions& o)
{
    auto* list = w.findChild<QTreeView*>(QStringLiteral("resultsList"));
    const QModelIndex row = list->model()->index(position - 1, 0);
    list->setCurrentIndex(row);
    list->scrollTo(row);
    emit list->clicked(row);
    settle(200);
    const QRect cell = list->visualRect(row);
    QToolTip::showText(list->viewport()->mapToGlobal(cell.center()), row.data(Qt::ToolTipRole).toString(),
                       list->viewport());
    settle(600);
    const QRect around = w.frameGeometry();
    savePicture(w.screen()->grabWindow(0, around.x(), around.y(), around.width(), around.height()).toImage(),
                name, o);
    QToolTip::hideText();
}

// The row whose result page could not be read, with the tooltip that says why.
void shootNotChecked(MainWindow& w, const ShotOptions& o)
{
    shootRowTooltip(w, 5, QStringLiteral("results-not-checked"), o);
}

// The about window twice: its start-up box empty and ticked.
void shootAbout(SettingsGroup<StartChoice>& start, const ShotOptions& o)
{
    for (const bool ticked : {false, true}) {
        auto* about = new AboutWindow(start, realDialogs);
        // Shown ticked, not chosen: no autostart entry is written.
        auto* box = about->findChild<QCheckBox*>(QStringLiteral("launchAtLoginCheck"));
        const QSignalBlocker quiet(box);
        box->setChecked(ticked);
        about->move(60, 60);
        about->show();
        settle(300);
        savePicture(about->grab().toImage(), ticked ? QStringLiteral("about-ticked") : QStringLiteral("about"), o);
        about->close();
    }
}

void shootPanels(MainWindow& w, const ShotOptions& o)
{
    w.showMemberPanel();
    shootWindow(w, QStringLiteral("member"), o);
    w.showItineraryPanel();
    auto* cabin = w.findChild<QComboBox*>(QStringLiteral("cabinChoice"));
    cabin->setCurrentIndex(cabin->findText(QStringLiteral("Business")));
    shootWindow(w, QStringLiteral("itineraries"), o);
    showFirstResult(w);
    shootWindow(w, QStringLiteral("results"), o);
    shootNotChecked(w, o);
    showFirstResult(w);
    shootHistory(w, o);
    emit w.findChild<ImageButton*>(QStringLiteral("alertsTabButton"))->activated();
    auto* outcome = w.findChild<NoteLabel*>(QStringLiteral("testOutcomeLabel"));
    outcome->setNote(QStringLiteral("E-mail: sent · Desktop: shown · Push: sent"));
    shootWindow(w, QStringLiteral("alerts"), o);
}

// The Alerts panel while the mail server and the push server are down.
void shootWaiting(MainWindow& w, Outbox& outbox, const ShotOptions& o)
{
    const QDateTime at(QDate(2026, 12, 8), QTime(7, 42));
    OutboxEntry mail;
    mail.topic = OutboxEntry::Topic::Results;
    mail.created = at;
    outbox.failed(outbox.add(mail, at).id, QStringLiteral("could not connect to smtp.example.com:587"), at);
    OutboxEntry push;
    push.topic = OutboxEntry::Topic::Seats;
    push.form = OutboxEntry::Form::Push;
    push.created = at;
    outbox.failed(outbox.add(push, at).id, QStringLiteral("the push server answered HTTP 500"), at);
    emit w.alerts().post().waitingChanged();
    w.findChild<NoteLabel*>(QStringLiteral("testOutcomeLabel"))->setNote(QString());
    shootWindow(w, QStringLiteral("alerts-waiting"), o);
}

// The panel at its fullest: alerts waiting, the password kept in the settings
// file, and a test alert whose e-mail and push failed with their reasons.
void shootLongReasons(MainWindow& w, const ShotOptions& o)
{
    auto* passwordPlace = w.findChild<QLabel*>(QStringLiteral("passwordPlaceLabel"));
    passwordPlace->setText(kPasswordInFile);
    passwordPlace->show();
    w.findChild<NoteLabel*>(QStringLiteral("testOutcomeLabel"))
        ->setNote(QStringLiteral("E-mail: failed (the mail server refused the login (535)) · Desktop: shown · "
                                 "Push: failed (could not reach the push server (connection refused))"));
    shootWindow(w, QStringLiteral("alerts-long-reason"), o);
}

// The itinerary panel as a party plans trips of a few days' leeway: the
// choices, the list with them and what a check of it all will take.
void shootTravellers(MainWindow& w, const ShotOptions& o)
{
    w.showItineraryPanel();
    const auto choose = [&w](const char* box, const QString& text) {
        auto* choice = w.findChild<QComboBox*>(QLatin1String(box));
        choice->setCurrentIndex(choice->findText(text));
    };
    const auto add = [&](const QString& from, const QString& to, const QDate& date, const QString& adults,
                         const QString& days) {
        choose("originChoice", from);
        choose("destinationChoice", to);
        w.findChild<DateField*>(QStringLiteral("dateField"))->setDate(date);
        choose("adultsChoice", adults);
        choose("extraDaysChoice", days);
        emit w.findChild<ImageButton*>(QStringLiteral("addItineraryButton"))->activated();
    };
    choose("cabinChoice", QStringLiteral("Any"));
    choose("timeChoice", QStringLiteral("Morning"));
    add(QStringLiteral("Melbourne"), QStringLiteral("Tokyo"), QDate(2027, 4, 16), QStringLiteral("4 adults"),
        QStringLiteral("Up to 2 days later"));
    choose("cabinChoice", QStringLiteral("Business"));
    add(QStringLiteral("Sydney"), QStringLiteral("Los Angeles"), QDate(2027, 9, 3), QStringLiteral("2 adults"),
        QStringLiteral("Up to 3 days later"));
    shootWindow(w, QStringLiteral("itineraries-travellers"), o);
}

// A return journey being made, then its results with the days of each leg.
void shootReturnTrip(MainWindow& w, CheckResults& results, const ShotOptions& o)
{
    w.showItineraryPanel();
    const auto choose = [&w](const char* box, const QString& text) {
        auto* choice = w.findChild<QComboBox*>(QLatin1String(box));
        choice->setCurrentIndex(choice->findText(text));
    };
    choose("originChoice", QStringLiteral("Sydney"));
    choose("secondOriginChoice", QStringLiteral("Newcastle"));
    choose("destinationChoice", QStringLiteral("Melbourne"));
    choose("cabinChoice", QStringLiteral("Any"));
    choose("adultsChoice", QStringLiteral("2 adults"));
    w.findChild<DateField*>(QStringLiteral("dateField"))->setDate(QDate(2027, 6, 15));
    choose("daysBeforeChoice", QStringLiteral("From 1 day earlier"));
    choose("extraDaysChoice", QStringLiteral("Up to 2 days later"));
    w.findChild<QCheckBox*>(QStringLiteral("returnCheck"))->setChecked(true);
    w.findChild<DateField*>(QStringLiteral("returnDateField"))->setDate(QDate(2027, 6, 27));
    choose("returnDaysBeforeChoice", QStringLiteral("From 1 day earlier"));
    choose("returnDaysAfterChoice", QStringLiteral("Up to 2 days later"));
    w.findChild<QCheckBox*>(QStringLiteral("wholeTripCheck"))->setChecked(true);
    shootWindow(w, QStringLiteral("itineraries-return"), o);

    emit w.findChild<ImageButton*>(QStringLiteral("addItineraryButton"))->activated();
    // Seats out of Sydney on two days and of Newcastle on one, back to Sydney on one.
    ItineraryResult trip;
    trip.wholeTripOnly = true;
    const City sydney{QStringLiteral("Sydney"), QStringLiteral("SYD")}, newcastle{QStringLiteral("Newcastle"), QStringLiteral("NTL")},
        melbourne{QStringLiteral("Melbourne"), QStringLiteral("MEL")};
    for (int leg : {int(Itinerary::Outbound), int(Itinerary::Return)})
        for (const City& end : {sydney, newcastle})
            for (int d = 0; d < 4; ++d) {
                const bool seats = leg == Itinerary::Outbound ? (end == sydney ? d == 1 || d == 3 : d == 2) : end == sydney && d == 1;
                trip.days << sampleOutcome(QDate(2027, 6, leg == Itinerary::Outbound ? 14 : 26).addDays(d), seats, QString(),
                                           sampleFlights(3, d + leg));
                trip.days.last().leg = leg;
                trip.days.last().from = leg == Itinerary::Outbound ? end : melbourne;
                trip.days.last().to = leg == Itinerary::Outbound ? melbourne : end;
            }
    results.set(w.findChild<QTreeWidget*>(QStringLiteral("itineraryList"))->topLevelItemCount(), trip);
    w.showResultsPanel();
    auto* list = w.findChild<QTreeView*>(QStringLiteral("resultsList"));
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() - 1, 0));
    shootWindow(w, QStringLiteral("results-return"), o);
}

// A return journey whose legs choose their flights: direct in the morning
// out, at most one stop back, shown on the panel and in the list; taken off
// the list again so the later pictures stay as they were.
void shootFlights(MainWindow& w, WatchList& watchList, const ShotOptions& o)
{
    w.showItineraryPanel();
    const auto choose = [&w](const char* box, const QString& text) {
        auto* choice = w.findChild<QComboBox*>(QLatin1String(box));
        choice->setCurrentIndex(choice->findText(text));
    };
    choose("originChoice", QStringLiteral("Sydney"));
    choose("secondOriginChoice", QStringLiteral("—"));
    choose("destinationChoice", QStringLiteral("Melbourne"));
    choose("adultsChoice", QStringLiteral("1 adult"));
    choose("daysBeforeChoice", QStringLiteral("From the date"));
    choose("extraDaysChoice", QStringLiteral("Up to 1 day later"));
    w.findChild<QCheckBox*>(QStringLiteral("wholeTripCheck"))->setChecked(false);
    choose("returnDaysBeforeChoice", QStringLiteral("From the date"));
    choose("returnDaysAfterChoice", QStringLiteral("Exact date"));
    choose("outboundStopsChoice", QStringLiteral("Direct only"));
    w.findChild<QCheckBox*>(QStringLiteral("outboundHoursCheck"))->setChecked(true);
    w.findChild<QTimeEdit*>(QStringLiteral("outboundEarliestEdit"))->setTime(QTime(7, 0));
    w.findChild<QTimeEdit*>(QStringLiteral("outboundLatestEdit"))->setTime(QTime(12, 0));
    choose("returnStopsChoice", QStringLiteral("At most 1 stop"));
    emit w.findChild<ImageButton*>(QStringLiteral("addItineraryButton"))->activated();
    shootWindow(w, QStringLiteral("itineraries-flights"), o);
    watchList.removeAt(watchList.count());
    for (const char* leg : {"outbound", "return"}) {
        w.findChild<QComboBox*>(QLatin1String(leg) + QStringLiteral("StopsChoice"))->setCurrentIndex(0);
        w.findChild<QCheckBox*>(QLatin1String(leg) + QStringLiteral("HoursCheck"))->setChecked(false);
    }
}

// What a check found of the watch at `position`: its results row with its
// flights ("results-NAME"), and its pop-up ("popup-NAME").
void shootFound(MainWindow& w, const Itinerary& watch, int position, const ItineraryResult& found,
                CheckResults& results, const QString& name, const ShotOptions& o)
{
    results.set(position, found);
    w.showResultsPanel();
    auto* list = w.findChild<QTreeView*>(QStringLiteral("resultsList"));
    list->setCurrentIndex(list->model()->index(position - 1, 0));
    emit list->clicked(list->model()->index(position - 1, 0));
    shootWindow(w, QStringLiteral("results-") + name, o);

    SeatPopup popup(realDialogs);
    popup.start(seatAnnouncement(watch, found), 1);
    settle(1500);
    savePicture(withHoles(popup.grab().toImage()), QStringLiteral("popup-") + name, o);
    popup.hide();
}

// Two adults in Business with seats on a day: "Book on the airline's site"
// beside that day's flights ("results-book") and on its pop-up ("popup-book").
void shootBooking(MainWindow& w, WatchList& watchList, CheckResults& results, const ShotOptions& o)
{
    const Itinerary pair = readItineraryLine(QStringLiteral("Sydney;Melbourne;15/07/2027;Morning;SYD;MEL;Business;2")).itinerary;
    watchList.add(pair);
    const int position = watchList.count();
    const QList<FlightRow> flights = rowsOf({{"07:00 SYD", "08:35 MEL", "QF 401", "738", "0", "Yes", "2", "No"},
                                             {"09:00 SYD", "10:35 MEL", "QF 409", "A330", "0", "Yes", "No", "No"}});
    const ItineraryResult found{{sampleOutcome(QDate(2027, 7, 15), true, QString(), flights, pair.cabin, pair.seatsNeeded())}};
    results.set(position, found);
    w.showResultsPanel();
    auto* list = w.findChild<QTreeView*>(QStringLiteral("resultsList"));
    list->setCurrentIndex(list->model()->index(position - 1, 0));
    emit list->clicked(list->model()->index(position - 1, 0));
    auto* book = w.findChild<QPushButton*>(QStringLiteral("bookButton"));
    book->setFocus();
    shootWindow(w, QStringLiteral("results-book"), o);

    Announcement told = seatAnnouncement(pair, found);
    told.booking = firstBookingAddress(airlineBase(), pair, found);
    SeatPopup popup(realDialogs);
    popup.start(told, 1);
    settle(1500);
    savePicture(withHoles(popup.grab().toImage()), QStringLiteral("popup-book"), o);
    popup.hide();
}

// A party of two that hears of fewer seats: the choice on the panel, the
// counts in the flight table and the pop-up that tells of one seat.
void shootParty(MainWindow& w, const WatchList& watchList, CheckResults& results, const ShotOptions& o)
{
    w.showItineraryPanel();
    const auto choose = [&w](const char* box, const QString& text) {
        auto* choice = w.findChild<QComboBox*>(QLatin1String(box));
        choice->setCurrentIndex(choice->findText(text));
    };
    choose("originChoice", QStringLiteral("Sydney"));
    choose("destinationChoice", QStringLiteral("Melbourne"));
    choose("cabinChoice", QStringLiteral("Business"));
    choose("adultsChoice", QStringLiteral("2 adults"));
    // The exact date: the first of either side's choices.
    w.findChild<QComboBox*>(QStringLiteral("daysBeforeChoice"))->setCurrentIndex(0);
    w.findChild<QComboBox*>(QStringLiteral("extraDaysChoice"))->setCurrentIndex(0);
    w.findChild<QCheckBox*>(QStringLiteral("returnCheck"))->setChecked(false);
    w.findChild<DateField*>(QStringLiteral("dateField"))->setDate(QDate(2027, 8, 20));
    w.findChild<QCheckBox*>(QStringLiteral("partyOnlyCheck"))->setChecked(false);
    shootWindow(w, QStringLiteral("itineraries-party"), o);

    emit w.findChild<ImageButton*>(QStringLiteral("addItineraryButton"))->activated();
    const int position = w.findChild<QTreeWidget*>(QStringLiteral("itineraryList"))->topLevelItemCount();
    const QList<FlightRow> flights = rowsOf({
        {"07:00 SYD", "08:35 MEL", "QF 401", "738", "0", "Yes", "1", "No"},
        {"09:00 SYD", "10:35 MEL", "QF 409", "A330", "0", "4", "No", "No"},
        {"12:00 SYD", "13:35 MEL", "QF 421", "738", "0", "No", "No", "No"},
        {"18:00 SYD", "19:35 MEL", "QF 459", "A330", "0", "9", "1", "No"}});
    const Itinerary& party = watchList.at(position);
    const ItineraryResult found{
        {sampleOutcome(QDate(2027, 8, 20), true, QString(), flights, party.cabin, party.seatsNeeded())}};
    shootFound(w, watchList.at(position), position, found, results, QStringLiteral("party"), o);
}

// A family of four in any cabin over two days: three seats in Business seat
// nobody, a "Y" on the first day hides no count of the second. The results
// row and the pop-up.
void shootFamily(MainWindow& w, WatchList& watchList, CheckResults& results, const ShotOptions& o)
{
    Itinerary family = readItineraryLine(QStringLiteral("Sydney;Melbourne;20/08/2027;Morning;SYD;MEL;Any;4;1")).itinerary;
    watchList.add(family);
    const int position = watchList.count();
    const QList<FlightRow> first = rowsOf({{"07:00 SYD", "08:35 MEL", "QF 401", "738", "0", "Y", "3", "No"}}),
                           second = rowsOf({{"09:00 SYD", "10:35 MEL", "QF 409", "A330", "0", "4", "No", "No"}});
    const ItineraryResult found{{sampleOutcome(QDate(2027, 8, 20), true, QString(), first, family.cabin, family.seatsNeeded()),
                                 sampleOutcome(QDate(2027, 8, 21), true, QString(), second, family.cabin, family.seatsNeeded())}};
    shootFound(w, family, position, found, results, QStringLiteral("family"), o);
}

// One search of `watch` on `date`, on the leg and between the cities given.
SearchOutcome searchOf(const Itinerary& watch, int leg, const City& from, const City& to, const QDate& date,
                       std::optional<bool> seats, const QList<FlightRow>& flights)
{
    SearchOutcome o = seats ? sampleOutcome(date, *seats, QString(), flights, watch.cabin, watch.seatsNeeded())
                            : SearchOutcome::notKnown(date, QStringLiteral("HTTP 503 Service Unavailable"));
    o.leg = leg;
    o.from = from;
    o.to = to;
    return o;
}

// A session of checks of the watch at `position`, written to the history as
// a check writes it.
void recordFound(ProgramData& state, int position, const Itinerary& watch, const ItineraryResult& found,
                 const QDateTime& when)
{
    QList<CheckRecord> checks;
    for (int day = 0; day < found.days.size(); ++day)
        checks << historyRecord(position, day, watch, found.days[day]);
    state.history.recordSession(when, true, checks);
}

// A watch of whole trips only: seats out and back at one check, then seats
// out on one day and none back after it, so no trip. Its row, with the
// tooltip of what the history knows of it.
void shootWholeTrip(MainWindow& w, ProgramData& state, CheckEngine& engine, CheckResults& results,
                    const ShotOptions& o)
{
    const Itinerary trip =
        readItineraryLine(QStringLiteral("Brisbane;Cairns;15/06/2027;Morning;BNE;CNS;Any;1;1;0;22/06/2027;1;0;trip"))
            .itinerary;
    state.watchList.add(trip);
    const int position = state.watchList.count();
    const QList<FlightRow> out = rowsOf({{"06:00 BNE", "08:25 CNS", "QF 700", "738", "0", "Yes", "No", "No"},
                                         {"12:30 BNE", "14:55 CNS", "QF 704", "73H", "0", "No", "No", "No"}}),
                           back = rowsOf({{"17:10 CNS", "19:35 BNE", "QF 709", "738", "0", "2", "No", "No"},
                                          {"20:05 CNS", "22:30 BNE", "QF 711", "73H", "0", "No", "No", "No"}}),
                           none = rowsOf({{"06:00 BNE", "08:25 CNS", "QF 700", "738", "0", "No", "No", "No"}}),
                           noneBack = rowsOf({{"17:10 CNS", "19:35 BNE", "QF 709", "738", "0", "No", "No", "No"}});
    ItineraryResult found;
    for (const bool seatsBack : {true, false}) {
        found = {};
        found.wholeTripOnly = true;
        for (int d = 0; d < 2; ++d)
            found.days << searchOf(trip, Itinerary::Outbound, trip.origin, trip.destination,
                                   QDate(2027, 6, 15).addDays(d), d == 1, d == 1 ? out : none);
        for (int d = 0; d < 2; ++d)
            found.days << searchOf(trip, Itinerary::Return, trip.destination, trip.origin,
                                   QDate(2027, 6, 22).addDays(d), seatsBack && d == 1, seatsBack && d == 1 ? back : noneBack);
        // As a check settles its days before it records them.
        found.keepWholeTripsOnly();
        recordFound(state, position, trip, found, QDateTime(QDate(2026, 12, seatsBack ? 7 : 8), QTime(19, 42)));
    }
    results.set(position, found);
    // As after a check: the list reads what it added to the history.
    emit engine.sessionEnded(SessionOutcome::Completed);
    settle(200);
    shootRowTooltip(w, position, QStringLiteral("results-whole-trip"), o);
}

// The history window's calendar of a party's flexible week, after three
// checks a day apart: seats kept, seats gone, seats come, a day that was
// searched but never checked, and a later failure that leaves what was known.
void shootCalendar(MainWindow& w, ProgramData& state, const ShotOptions& o)
{
    const Itinerary week =
        readItineraryLine(QStringLiteral("Sydney;Melbourne;17/08/2027;Morning;SYD;MEL;Any;2;3;3")).itinerary;
    state.watchList.add(week);
    const int position = state.watchList.count();
    // Per day from Sat 14 to Fri 20: 'S' seats, '.' none, '?' not checked.
    const QStringList sessions{QStringLiteral(".S.S.?."), QStringLiteral(".SS..?."), QStringLiteral(".S?.S?.")};
    const QList<FlightRow> seats = rowsOf({{"07:00 SYD", "08:35 MEL", "QF 401", "738", "0", "4", "2", "No"}}),
                           none = rowsOf({{"07:00 SYD", "08:35 MEL", "QF 401", "738", "0", "1", "No", "No"}});
    for (int s = 0; s < sessions.size(); ++s) {
        ItineraryResult found;
        for (int d = 0; d < 7; ++d) {
            const QChar mark = sessions[s][d];
            const std::optional<bool> had = mark == QLatin1Char('?') ? std::nullopt : std::optional<bool>(mark == QLatin1Char('S'));
            found.days << searchOf(week, Itinerary::Outbound, week.origin, week.destination, QDate(2027, 8, 14).addDays(d),
                                   had, had.value_or(false) ? seats : none);
        }
        recordFound(state, position, week, found, QDateTime(QDate(2026, 12, 6 + s), QTime(7, 42)));
    }
    auto* history = readHistoryWindow(w, position);
    if (!history)
        return;
    history->findChild<QTabWidget*>(QStringLiteral("historyTabs"))->setCurrentIndex(2);
    auto* grid = history->findChild<SeatMonthGrid*>(QStringLiteral("seatCalendar"));
    grid->setSelectedDate(QDate(2027, 8, 16));
    grid->setFocus();
    settle(400);
    savePicture(history->grab().toImage(), QStringLiteral("history-calendar"), o);
    history->close();
}

// A return journey's check from each of its origins on each of its days:
// seats out of an origin on every third day, staggered from one origin to
// the next, and back on every other of those.
ItineraryResult checkedFromEveryOrigin(const Itinerary& trip)
{
    ItineraryResult found;
    const QList<City> from = trip.origins();
    for (int leg : {int(Itinerary::Outbound), int(Itinerary::Return)}) {
        const QList<QDate> dates = leg == Itinerary::Outbound ? trip.dates() : trip.leg(Itinerary::Return).dates();
        for (int city = 0; city < from.size(); ++city)
            for (int d = 0; d < dates.size(); ++d) {
                const bool seats = (d + city) % 3 == 0 && (leg == Itinerary::Outbound || d % 2 == 0);
                const QList<FlightRow> flights = rowsOf({{"07:00 " + from[city].code, "08:35 MEL", QStringLiteral("QF %1").arg(400 + d),
                                                          "738", "0", "No", seats ? "2" : "No", "No"}});
                found.days << (leg == Itinerary::Outbound ? searchOf(trip, leg, from[city], trip.destination, dates[d], seats, flights)
                                                          : searchOf(trip, leg, trip.destination, from[city], dates[d], seats, flights));
            }
    }
    return found;
}

// Ten itineraries of every kind in the list at the first size; then the
// return journey from three airports among them as a results row with its
// tooltip, and as its pop-up.
void shootMixed(MainWindow& w, ProgramData& state, CheckResults& results, const ShotOptions& o)
{
    state.watchList.clear();
    for (const char* line : {"Sydney;London;14/03/2027;Evening;SYD;LON;Business;1;3",
                             "Sydney;Melbourne;15/06/2027;Morning;SYD;MEL;Business;2;3;3;27/06/2027;3;3;;Newcastle/NTL|Canberra/CBR",
                             "Brisbane;Auckland;21/05/2027;09:00;BNE;AKL;Economy",
                             "Perth;Sydney;30/06/2027;Afternoon;PER;SYD;First;4;0;0;;;;;;;fewer",
                             "Adelaide;Darwin;11/07/2027;18:00;ADL;DRW;Any;1;0;0;18/07/2027",
                             "Melbourne;Los Angeles;03/09/2027;Evening;MEL;LAX;Business;2;3;3;24/09/2027;3;3;trip",
                             "Sydney;Tokyo;16/04/2027;Morning;SYD;NRT;Any;3;2;0;;;;;;Haneda/HND",
                             "Cairns;Brisbane;01/08/2027;Afternoon;CNS;BNE",
                             "Hobart;Melbourne;20/10/2027;Morning;HBA;MEL;Economy;2;0;0;27/10/2027;0;0;;Launceston/LST|Devonport/DPO;Avalon/AVV",
                             "Darwin;Singapore;12/11/2027;13:00;DRW;SIN;Business;1;6"})
        state.watchList.add(readItineraryLine(QString::fromUtf8(line)).itinerary);
    w.showNormal();
    w.resize(940, 620);
    w.showItineraryPanel();
    shootWindow(w, QStringLiteral("itineraries-mixed"), o);

    const Itinerary& trip = state.watchList.at(2);
    const ItineraryResult found = checkedFromEveryOrigin(trip);
    results.set(2, found);
    w.showResultsPanel();
    shootRowTooltip(w, 2, QStringLiteral("results-return-three"), o);
    SeatPopup popup(realDialogs);
    popup.start(seatAnnouncement(trip, found), 1);
    settle(1500);
    savePicture(withHoles(popup.grab().toImage()), QStringLiteral("popup-return-three"), o);
    popup.hide();
}

// A paused watch and a snoozed one in both lists, and the pop-up's offer to
// snooze the trip it tells of.
void shootHolds(MainWindow& w, const WatchList& watchList, CheckResults& results, const ShotOptions& o)
{
    const QDate today = SystemClock::instance().now().date();
    w.watchHolds().apply(1, {HoldChoice::Kind::Pause});
    w.watchHolds().apply(2, snoozeFor(7, today));
    w.showItineraryPanel();
    auto* list = w.findChild<QTreeWidget*>(QStringLiteral("itineraryList"));
    // Another row selected, so the paused one shows greyed.
    list->setCurrentItem(list->topLevelItem(2));
    list->scrollToTop();
    shootWindow(w, QStringLiteral("itineraries-paused"), o);
    w.showResultsPanel();
    shootWindow(w, QStringLiteral("results-paused"), o);

    SeatPopup popup(realDialogs);
    popup.start(seatAnnouncement(watchList.at(2), results.at(2)), 1);
    settle(1500);
    savePicture(withHoles(popup.grab().toImage()), QStringLiteral("popup-snooze"), o);
    popup.hide();
    w.watchHolds().apply(1, {HoldChoice::Kind::Resume});
    w.watchHolds().apply(2, {HoldChoice::Kind::Wake});
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const std::optional<ShotOptions> options = parseArguments(app.arguments().mid(1));
    if (!options) {
        qWarning("usage: zelvane-shots [--wide] [--linger] [--dark] [--suffix TEXT] FOLDER");
        return 64;
    }
    QApplication::setPalette(paletteFor(options->dark ? darkTheme() : lightTheme()));
    useClearCheckBoxes();

    QTemporaryDir data;
    QDir source(QStringLiteral(ZELVANE_DATA_DIR));
    for (const char* f : {"City.txt", "City Code.txt"})
        QFile::copy(source.filePath(QLatin1String(f)), QDir(data.path()).filePath(QLatin1String(f)));
    NativeSettingsArea area;
    ProgramData state(area, SystemClock::instance(), data.path(), data.path());
    state.cities.load();
    fillSampleSettings(state.settings);
    ProductNews news = sampleNews();
    addSampleItineraries(state);
    recordSampleHistory(state, state.settings.schedule->lastLoginTime);

    NoBoxes boxes;
    AlertSender post(state.outbox, state.settings.channels, {state.settings.member, &Member::email}, boxes, SystemClock::instance());
    CheckRig rig(state.parts.data, post);
    MainWindow w(state.settings, state.parts.data, rig, news, nullptr, &boxes);
    showSampleResults(w, rig.results(), options->wide ? 12 : 4);
    w.move(40, 40);
    w.show();
    settle(800);

    QDir().mkpath(options->folder.path());
    if (options->wide) {
        shootWide(w, state, rig.results(), *options);
    } else {
        shootPanels(w, *options);
        shootAbout(state.settings.start, *options);
        shootWaiting(w, state.outbox, *options);
        if (!options->dark)
            shootLongReasons(w, *options);
        shootTravellers(w, *options);
        shootReturnTrip(w, rig.results(), *options);
        shootFlights(w, state.watchList, *options);
        shootParty(w, state.watchList, rig.results(), *options);
        shootFamily(w, state.watchList, rig.results(), *options);
        shootWholeTrip(w, state, rig.engine(), rig.results(), *options);
        shootCalendar(w, state, *options);
        shootMixed(w, state, rig.results(), *options);
        shootHolds(w, state.watchList, rig.results(), *options);
        shootBooking(w, state.watchList, rig.results(), *options);
    }
    return options->linger ? app.exec() : 0;
}
