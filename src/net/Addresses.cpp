#include "net/Addresses.h"

#include <QDate>

#include <QUrl>
#include <QtGlobal>

namespace zelvane {

namespace {

QString fromEnvironment(const char* name, const QString& fallback)
{
    QString v = qEnvironmentVariable(name).trimmed();
    while (v.endsWith(QLatin1Char('/')))
        v.chop(1);
    return v.isEmpty() ? fallback : v;
}

const QString kRealAirline = QStringLiteral("https://www.qantas.com.au");

} // namespace

QString airlineBase()
{
    return fromEnvironment("ZELVANE_AIRLINE_URL", kRealAirline);
}

QString siteBase()
{
    return fromEnvironment("ZELVANE_SITE_URL", QStringLiteral("http://zelvane.example"));
}

QString relayBase()
{
    return fromEnvironment("ZELVANE_RELAY_URL", siteBase());
}

qint64 simulatedDayShift()
{
    if (QUrl(airlineBase()).host() == QUrl(kRealAirline).host())
        return 0;
    const QDate today = QDate::fromString(qEnvironmentVariable("ZELVANE_TODAY"), Qt::ISODate);
    return today.isValid() ? QDate::currentDate().daysTo(today) : 0;
}

double timeScale()
{
    // Decided on the address in use: a variable that trims away to nothing, or
    // spells the real site another way, still means the real site.
    if (QUrl(airlineBase()).host() == QUrl(kRealAirline).host())
        return 1.0;
    bool ok = false;
    const double scale = qEnvironmentVariable("ZELVANE_TIME_SCALE").toDouble(&ok);
    return ok && scale >= 0 && scale <= 1 ? scale : 1.0;
}

} // namespace zelvane
