// The award search address: fixed parameters in order, date parts and the
// time-of-day table.
#include "engine/AwardQuery.h"
#include "itineraries/WatchListFile.h"

#include <QUrlQuery>
#include <QtTest>

using namespace zelvane;

namespace {

// The address of a plain itinerary's own date, for `adults` travelling together.
QString searchUrl(const QString& base, const QString& date, const QString& time, int adults = 1)
{
    Itinerary it = readItineraryLine("Sydney;London;" + date + ";" + time + ";SYD;LHR").itinerary;
    it.adults = adults;
    return awardSearchUrl(base, it, it.date);
}

QList<QPair<QString, QString>> params(const QString& url)
{
    QList<QPair<QString, QString>> out;
    for (const QString& p : url.mid(url.indexOf('?') + 1).split('&'))
        out.append({p.section('=', 0, 0), p.section('=', 1)});
    return out;
}

} // namespace

class TestAwardQuery : public QObject {
    Q_OBJECT

private slots:
    void choicesAreTheTwentySixInOrder()
    {
        const QStringList& c = timeOfDayChoices();
        QCOMPARE(c.size(), 26);
        QCOMPARE(c.mid(0, 4), QStringList({"Morning", "Afternoon", "Evening", "01:00"}));
        QCOMPARE(c.last(), QString("23:00"));
        QVERIFY(!c.contains("00:00"));
    }

    void everyHourHasItsRow()
    {
        for (int h = 1; h <= 23; ++h) {
            const auto row = timeOfDayRow(QString("%1:00").arg(h, 2, 10, QChar('0')));
            QVERIFY(row);
            QCOMPARE(row->departureTime, 1120068000000LL + (h - 1) * 3600000LL);
            QCOMPARE(QString::number(row->departureTime).size(), 13);
            QCOMPARE(row->formatted, QString("20050630%1").arg(h, 2, 10, QChar('0')) + "00");
        }
        QCOMPARE(timeOfDayRow("Morning")->formatted, QString("200506300100"));
        QCOMPARE(timeOfDayRow("Afternoon")->departureTime, 1120107600000LL);
        QCOMPARE(timeOfDayRow("Evening")->formatted, QString("200506301800"));
        QVERIFY(!timeOfDayRow("evening")); // exact match only
    }

    void namedTimesSearchLikeTheirHour_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("hour");
        QTest::newRow("morning") << "Morning" << "01:00";
        QTest::newRow("afternoon") << "Afternoon" << "12:00";
        QTest::newRow("evening") << "Evening" << "18:00";
    }
    void namedTimesSearchLikeTheirHour()
    {
        QFETCH(QString, named);
        QFETCH(QString, hour);
        QCOMPARE(searchUrl("https://h", "01/02/2027", named, 1),
                 searchUrl("https://h", "01/02/2027", hour, 1));
    }

    void addressCarriesTheTwentyOneParametersInOrder()
    {
        const auto url = searchUrl("https://www.example.com", "25/12/2006", "Evening", 1);
        QVERIFY(url.startsWith("https://www.example.com/fflyer/dyns/auth/AwardBooking?action="));
        const QList<QPair<QString, QString>> expected = {
            {"action", "AwardBookingServletItineraryHelper.setAccountBookingDetails"},
            {"QAB_sequenceNumber", "1"},
            {"QAB_browserWindowNumber", "0"},
            {"QAB_availabilitySearch_isEdit", "false"},
            {"QAB_availabilitySearch_sectorNumber", "0"},
            {"QAB_passengerForm_bookingType", "QAB_passengerForm_bookingReturn"},
            {"QAB_availabilitySearch_departureYear", "2006"},
            {"QAB_availabilitySearch_departureMonth", "12"},
            {"QAB_availabilitySearch_departureTime", "1120129200000"},
            {"QAB_availabilitySearch_departureFormatted", "200506301800"},
            {"QAB_availabilitySearch_departureBookLeadFormatted", "200506120000"},
            {"QAB_passengerForm_selfTravelling", "true"},
            {"QAB_passengerForm_promoCode", ""},
            {"QAB_availabilitySearch_departureCity", "SYD"},
            {"QAB_availabilitySearch_departureMonthYear", "12,2006"},
            {"QAB_availabilitySearch_departureDay", "25"},
            {"QAB_availabilitySearch_departureHour", "Morning"},
            {"QAB_availabilitySearch_arrivalCity", "LHR"},
            {"QAB_passengerForm_numberOfAdultPassengers", "1"},
            {"QAB_passengerForm_numberOfChildPassengers", "0"},
            {"QAB_passengerForm_numberOfInfantPassengers", "0"},
        };
        QCOMPARE(params(url), expected);
        QVERIFY(url.contains("&QAB_passengerForm_promoCode=&QAB_availabilitySearch_departureCity="));
    }

    // Every adult needs a seat: the search asks for all of them and is
    // otherwise the same search.
    void adultsTravelTogether_data()
    {
        QTest::addColumn<int>("adults");
        QTest::newRow("two") << 2;
        QTest::newRow("nine") << 9;
    }
    void adultsTravelTogether()
    {
        QFETCH(int, adults);
        auto one = params(searchUrl("https://h", "25/12/2026", "Evening", 1));
        const auto many = params(searchUrl("https://h", "25/12/2026", "Evening", adults));
        QCOMPARE(many[18], qMakePair(QString("QAB_passengerForm_numberOfAdultPassengers"), QString::number(adults)));
        one[18].second = QString::number(adults);
        QCOMPARE(many, one);
    }

    void datePartsLoseTheirLeadingZeros()
    {
        const auto p = params(searchUrl("https://h", "05/01/2007", "23:00", 1));
        QCOMPARE(p[6].second, QString("2007"));
        QCOMPARE(p[7].second, QString("1"));
        QCOMPARE(p[14].second, QString("1,2007"));
        QCOMPARE(p[15].second, QString("5"));
        QCOMPARE(p[16].second, QString("Morning"));
        QCOMPARE(p[8].second, QString("1120147200000"));
    }

    void handEditedTimeSearchesFromTheStartOfTheDay()
    {
        QCOMPARE(searchUrl("https://h", "01/02/2027", "7pm", 1),
                 searchUrl("https://h", "01/02/2027", "Morning", 1));
        QCOMPARE(searchUrl("https://h", "01/02/2027", "", 1),
                 searchUrl("https://h", "01/02/2027", "01:00", 1));
    }

    // Codes come from the airline's page and from a file anyone can edit.
    void cityCodesCannotAddOrCutParameters()
    {
        const Itinerary it = readItineraryLine("A;B;01/01/2027;Morning;SY&D=1;P#E+R%").itinerary;
        const auto p = params(awardSearchUrl("https://h", it, it.date));
        QCOMPARE(p.size(), 21);
        QCOMPARE(p[13].second, QString("SY%26D=1"));
        QCOMPARE(p[17].second, QString("P%23E%2BR%25"));
        QCOMPARE(p[20].first, QString("QAB_passengerForm_numberOfInfantPassengers"));
    }
};

QTEST_GUILESS_MAIN(TestAwardQuery)
#include "test_award_query.moc"
