#include "SearchCheck.h"

#include <QHash>
#include <QRegularExpression>
#include <optional>

namespace sitesim {

namespace {

struct Param {
    const char* key;
    std::optional<const char*> fixed; // the only value the servlet accepts
};

// The search form in the order the servlet reads it.
const Param kParams[] = {
    {"action", "AwardBookingServletItineraryHelper.setAccountBookingDetails"},
    {"QAB_sequenceNumber", "1"},
    {"QAB_browserWindowNumber", "0"},
    {"QAB_availabilitySearch_isEdit", "false"},
    {"QAB_availabilitySearch_sectorNumber", "0"},
    {"QAB_passengerForm_bookingType", "QAB_passengerForm_bookingReturn"},
    {"QAB_availabilitySearch_departureYear", std::nullopt},
    {"QAB_availabilitySearch_departureMonth", std::nullopt},
    {"QAB_availabilitySearch_departureTime", std::nullopt},
    {"QAB_availabilitySearch_departureFormatted", std::nullopt},
    {"QAB_availabilitySearch_departureBookLeadFormatted", "200506120000"},
    {"QAB_passengerForm_selfTravelling", "true"},
    {"QAB_passengerForm_promoCode", ""},
    {"QAB_availabilitySearch_departureCity", std::nullopt},
    {"QAB_availabilitySearch_departureMonthYear", std::nullopt},
    {"QAB_availabilitySearch_departureDay", std::nullopt},
    {"QAB_availabilitySearch_departureHour", "Morning"},
    {"QAB_availabilitySearch_arrivalCity", std::nullopt},
    {"QAB_passengerForm_numberOfAdultPassengers", std::nullopt},
    {"QAB_passengerForm_numberOfChildPassengers", "0"},
    {"QAB_passengerForm_numberOfInfantPassengers", "0"},
};
constexpr int kParamCount = int(sizeof(kParams) / sizeof(kParams[0]));

const QString kYear = QStringLiteral("QAB_availabilitySearch_departureYear");
const QString kMonth = QStringLiteral("QAB_availabilitySearch_departureMonth");
const QString kDay = QStringLiteral("QAB_availabilitySearch_departureDay");
const QString kTime = QStringLiteral("QAB_availabilitySearch_departureTime");
const QString kFormatted = QStringLiteral("QAB_availabilitySearch_departureFormatted");
const QString kMonthYear = QStringLiteral("QAB_availabilitySearch_departureMonthYear");
const QString kFrom = QStringLiteral("QAB_availabilitySearch_departureCity");
const QString kTo = QStringLiteral("QAB_availabilitySearch_arrivalCity");
const QString kAdults = QStringLiteral("QAB_passengerForm_numberOfAdultPassengers");

// The booking form offers one to nine adults.
constexpr int kMaxAdults = 9;

// The hour slots of the booking form all sit on 30 June 2005 (UTC).
constexpr qint64 kFirstSlotMs = 1120068000000;
constexpr qint64 kHourMs = 3600000;

// A number written in decimal without a leading zero, within [low, high].
std::optional<int> plainNumber(const QString& key, const QString& v, int digitsMin,
                               int digitsMax, int low, int high, QStringList* problems)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(v).hasMatch()) {
        problems->append(QStringLiteral("%1: \"%2\" is not a number").arg(key, v));
        return std::nullopt;
    }
    if (v.size() > 1 && v.startsWith(QLatin1Char('0'))) {
        problems->append(QStringLiteral("%1: leading zero in \"%2\"").arg(key, v));
        return std::nullopt;
    }
    const int n = v.toInt();
    if (v.size() < digitsMin || v.size() > digitsMax || n < low || n > high) {
        problems->append(QStringLiteral("%1: %2 is out of range").arg(key, v));
        return std::nullopt;
    }
    return n;
}

void expectValue(const QString& key, const QString& given, const QString& want, QStringList* problems)
{
    if (given != want)
        problems->append(QStringLiteral("%1: \"%2\" instead of \"%3\"").arg(key, given, want));
}

QHash<QString, int> expectedPositions()
{
    QHash<QString, int> positions;
    for (int i = 0; i < kParamCount; ++i)
        positions.insert(QString::fromLatin1(kParams[i].key), i);
    return positions;
}

// The parameters of the search as they came, by name.
struct Given {
    QHash<QString, int> count;
    QHash<QString, QString> value; // first occurrence wins
};

Given collectParams(const QList<QPair<QString, QString>>& pairs, const QHash<QString, int>& positions,
                    QStringList* problems)
{
    Given given;
    for (const auto& [key, v] : pairs) {
        if (!positions.contains(key)) {
            problems->append(QStringLiteral("%1: not a parameter of the search").arg(key));
            continue;
        }
        if (given.count[key]++ == 0)
            given.value.insert(key, v);
    }
    return given;
}

// False when a parameter is missing or repeated.
bool checkEachOnce(const QHash<QString, int>& count, QStringList* problems)
{
    bool complete = true;
    for (int i = 0; i < kParamCount; ++i) {
        const QString key = QString::fromLatin1(kParams[i].key);
        const int n = count.value(key);
        if (n == 0) {
            problems->append(QStringLiteral("%1: missing").arg(key));
            complete = false;
        } else if (n > 1) {
            problems->append(QStringLiteral("%1: given %2 times").arg(key).arg(n));
            complete = false;
        }
    }
    return complete;
}

void checkOrder(const QList<QPair<QString, QString>>& pairs, const QHash<QString, int>& positions,
                QStringList* problems)
{
    for (int i = 0; i < kParamCount; ++i) {
        if (pairs[i].first != QLatin1String(kParams[i].key)) {
            problems->append(QStringLiteral("%1: out of order (position %2, belongs at %3)")
                                 .arg(pairs[i].first)
                                 .arg(i + 1)
                                 .arg(positions.value(pairs[i].first) + 1));
        }
    }
}

void checkFixedValues(const QHash<QString, QString>& value, QStringList* problems)
{
    for (int i = 0; i < kParamCount; ++i) {
        const QString key = QString::fromLatin1(kParams[i].key);
        if (!kParams[i].fixed || !value.contains(key))
            continue;
        expectValue(key, value.value(key), QString::fromLatin1(*kParams[i].fixed), problems);
    }
}

// The departure day from its year, month and day, which the month-year field
// must repeat; invalid unless all three are there.
QDate checkDepartureDate(const QHash<QString, QString>& value, QStringList* problems)
{
    std::optional<int> year, month, day;
    if (value.contains(kYear))
        year = plainNumber(kYear, value.value(kYear), 4, 4, 1000, 9999, problems);
    if (value.contains(kMonth))
        month = plainNumber(kMonth, value.value(kMonth), 1, 2, 1, 12, problems);
    if (value.contains(kDay))
        day = plainNumber(kDay, value.value(kDay), 1, 2, 1, 31, problems);
    QDate date;
    if (year && month && day) {
        date = QDate(*year, *month, *day);
        if (!date.isValid())
            problems->append(QStringLiteral("%1: %2/%3/%4 is not a date")
                                 .arg(kDay).arg(*day).arg(*month).arg(*year));
    }

    if (value.contains(kMonthYear) && value.contains(kMonth) && value.contains(kYear))
        expectValue(kMonthYear, value.value(kMonthYear), value.value(kMonth) + QLatin1Char(',') + value.value(kYear),
                    problems);
    return date;
}

// The departure time and its formatted twin name the same hour slot.
void checkDepartureSlot(const QHash<QString, QString>& value, QStringList* problems)
{
    int hour = 0;
    if (value.contains(kTime)) {
        bool ok = false;
        const QString t = value.value(kTime);
        const qint64 ms = t.toLongLong(&ok);
        const qint64 offset = ms - kFirstSlotMs;
        if (ok && t.size() == 13 && offset >= 0 && offset % kHourMs == 0 && offset / kHourMs < 23)
            hour = int(offset / kHourMs) + 1;
        else
            problems->append(QStringLiteral("%1: \"%2\" is not a departure time").arg(kTime, t));
    }
    if (value.contains(kFormatted)) {
        const QString f = value.value(kFormatted);
        static const QRegularExpression slot(QStringLiteral("^20050630(0[1-9]|1[0-9]|2[0-3])00$"));
        const auto m = slot.match(f);
        if (!m.hasMatch())
            problems->append(QStringLiteral("%1: \"%2\" is not a departure slot").arg(kFormatted, f));
        else if (hour != 0 && m.captured(1).toInt() != hour)
            problems->append(QStringLiteral("%1: \"%2\" does not match the departure time of hour %3")
                                 .arg(kFormatted, f)
                                 .arg(hour));
    }
}

void checkCities(const QHash<QString, QString>& value, QStringList* problems)
{
    for (const QString& key : {kFrom, kTo}) {
        if (value.contains(key) && value.value(key).isEmpty())
            problems->append(QStringLiteral("%1: empty city code").arg(key));
    }
}

} // namespace

QList<QPair<QString, QString>> splitQuery(const QString& rawQuery)
{
    QList<QPair<QString, QString>> pairs;
    if (rawQuery.isEmpty())
        return pairs;
    for (const QString& piece : rawQuery.split(QLatin1Char('&'))) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        if (eq < 0)
            pairs.append({piece, QString()});
        else
            pairs.append({piece.left(eq), piece.mid(eq + 1)});
    }
    return pairs;
}

SearchCheck checkAwardSearch(const QString& rawQuery)
{
    SearchCheck result;
    QStringList* problems = &result.problems;
    const auto pairs = splitQuery(rawQuery);
    const QHash<QString, int> positions = expectedPositions();

    const Given given = collectParams(pairs, positions, problems);
    // The servlet reads the form positionally, so the right keys in the wrong
    // order are as bad as missing ones.
    if (checkEachOnce(given.count, problems) && pairs.size() == kParamCount)
        checkOrder(pairs, positions, problems);
    checkFixedValues(given.value, problems);
    result.date = checkDepartureDate(given.value, problems);
    checkDepartureSlot(given.value, problems);
    checkCities(given.value, problems);
    if (given.value.contains(kAdults))
        result.adults = plainNumber(kAdults, given.value.value(kAdults), 1, 1, 1, kMaxAdults, problems).value_or(0);
    result.from = given.value.value(kFrom);
    result.to = given.value.value(kTo);

    result.valid = problems->isEmpty();
    if (!result.valid)
        result.date = QDate();
    return result;
}

} // namespace sitesim
