#include "net/Addresses.h"

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

} // namespace

QString airlineBase()
{
    return fromEnvironment("ZELVANE_AIRLINE_URL", QStringLiteral("https://www.qantas.com.au"));
}

QString siteBase()
{
    return fromEnvironment("ZELVANE_SITE_URL", QStringLiteral("http://zelvane.example"));
}

QString relayBase()
{
    return fromEnvironment("ZELVANE_RELAY_URL", siteBase());
}

double timeScale()
{
    if (qEnvironmentVariable("ZELVANE_AIRLINE_URL").trimmed().isEmpty())
        return 1.0;
    bool ok = false;
    const double scale = qEnvironmentVariable("ZELVANE_TIME_SCALE").toDouble(&ok);
    return ok && scale >= 0 && scale <= 1 ? scale : 1.0;
}

} // namespace zelvane
