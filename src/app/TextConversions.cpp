#include "app/TextConversions.h"

#include <cmath>
#include <limits>

namespace zelvane {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

QString shortDateFormat(const QLocale& locale)
{
    QString fmt = locale.dateFormat(QLocale::ShortFormat);
    // A lone "yy" would read back a century off.
    if (!fmt.contains(QLatin1String("yyyy")))
        fmt.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return fmt;
}

QString longTimeFormat(const QLocale& locale)
{
    QString fmt = locale.timeFormat(QLocale::LongFormat);
    // The zone name is not part of the stored text: the values are local times.
    fmt.remove(QLatin1Char('t'));
    return fmt.simplified();
}

} // namespace

double leadingNumber(QStringView text)
{
    QString digits;
    bool seenDigit = false;
    bool seenPoint = false;
    bool seenSign = false;
    for (QChar c : text) {
        if (isBlank(c))
            continue;
        if ((c == u'-' || c == u'+') && !seenDigit && !seenPoint && !seenSign) {
            seenSign = true;
            digits += c;
        } else if (c.isDigit() && c.unicode() < 128) {
            seenDigit = true;
            digits += c;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
            digits += c;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    bool ok = false;
    const double v = QLocale::c().toDouble(digits, &ok);
    return ok ? v : 0;
}

std::optional<qint16> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double r = std::nearbyint(value); // default rounding: half to even
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(r);
}

std::optional<qint16> strictInt16(QStringView text)
{
    const QString t = text.trimmed().toString();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    double v = QLocale::c().toDouble(t, &ok);
    if (!ok)
        v = QLocale().toDouble(t, &ok);
    if (!ok)
        return std::nullopt;
    return roundToInt16(v);
}

QString numberText(double value)
{
    const QString text = QString::number(value, 'g', 15);
    // The reader takes no exponent ("1.2e+30" would read back as 1.2), so a
    // number that needs one is written out in full.
    return text.contains(QLatin1Char('e'))
               ? QString::number(value, 'f', QLocale::FloatingPointShortest)
               : text;
}

QString generalDateTimeText(const QDateTime& value, const QLocale& locale)
{
    const QString date = locale.toString(value.date(), shortDateFormat(locale));
    const QTime t = value.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return date;
    return date + QLatin1Char(' ') + locale.toString(t, longTimeFormat(locale));
}

std::optional<QDateTime> parseGeneralDateTime(QStringView text, const QLocale& locale)
{
    const QString t = text.trimmed().toString();
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso;
    const QString dateFmt = shortDateFormat(locale);
    QDateTime dt = locale.toDateTime(t, dateFmt + QLatin1Char(' ') + longTimeFormat(locale));
    if (dt.isValid())
        return dt;
    const QDate d = locale.toDate(t, dateFmt);
    if (d.isValid())
        return QDateTime(d, QTime(0, 0));
    return std::nullopt;
}

QString storedDateTimeText(const QDateTime& value, const QLocale& locale)
{
    QDateTime whole = value;
    whole.setTime(QTime(value.time().hour(), value.time().minute(), value.time().second()));
    const QString regional = generalDateTimeText(whole, locale);
    if (parseGeneralDateTime(regional, locale) == std::optional<QDateTime>(whole))
        return regional;
    return whole.toString(Qt::ISODate);
}

} // namespace zelvane
