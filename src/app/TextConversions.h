#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <optional>

namespace zelvane {

// Reads the leading number of a text the forgiving way: blanks anywhere are
// skipped, an optional sign, digits and one "." are taken, anything else ends
// the number. No number at all reads as 0.
double leadingNumber(QStringView text);

// Nearest whole number, a half going to the even neighbour; nothing when the
// result does not fit a signed 16-bit integer.
std::optional<qint16> roundToInt16(double value);

// Strict text to 16-bit integer: blanks around the number are allowed,
// fractions are rounded half to even, anything else is no number.
std::optional<qint16> strictInt16(QStringView text);

// The plain text of a member number: whole numbers of up to 15 digits come
// out as bare digits, without grouping or decimal point; larger ones (or
// tiny ones) in full, never with an exponent, so leadingNumber reads them back.
QString numberText(double value);

// Reads a stored date-time wherever it was written: the regional form (short
// date with the time, or the date alone for midnight) of `locale`, then of C,
// then ISO 8601, then the forms of the regions older copies kept it in
// (Australia, the US, Germany). Nothing when no form reads it.
std::optional<QDateTime> parseStoredDateTime(QStringView text, const QLocale& locale = QLocale());
// The text a date-time is kept as: ISO 8601 to the second
// ("2026-12-08T17:28:43"), which reads back the same in every locale.
QString storedDateTimeText(const QDateTime& value);

} // namespace zelvane
