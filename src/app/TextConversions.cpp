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

// A locale's own forms: its short date with its long time (how older copies
// wrote it) or its short time, or the date alone.
std::optional<QDateTime> readRegionalDateTime(const QString& text, const QLocale& locale)
{
    const QString date = shortDateFormat(locale);
    for (const QString& time : {longTimeFormat(locale), locale.timeFormat(QLocale::ShortFormat)}) {
        const QDateTime dt = locale.toDateTime(text, date + QLatin1Char(' ') + time);
        if (dt.isValid())
            return dt;
    }
    const QDate d = locale.toDate(text, date);
    if (d.isValid())
        return QDateTime(d, QTime(0, 0));
    return std::nullopt;
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

std::optional<QDateTime> parseStoredDateTime(QStringView text, const QLocale& locale)
{
    const QString t = text.trimmed().toString();
    // The user's own region first: its reading of an ambiguous "4/3/2026" is
    // the one the file was most likely written in.
    for (const QLocale& l : {locale, QLocale::c()})
        if (const auto v = readRegionalDateTime(t, l))
            return v;
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso;
    for (const char* name : {"en_AU", "en_US", "de_DE"})
        if (const auto v = readRegionalDateTime(t, QLocale(QString::fromLatin1(name))))
            return v;
    return std::nullopt;
}

QString storedDateTimeText(const QDateTime& value)
{
    const QTime t = value.time();
    QDateTime whole = value;
    whole.setTime(QTime(t.hour(), t.minute(), t.second()));
    return whole.toString(Qt::ISODate);
}

} // namespace zelvane
