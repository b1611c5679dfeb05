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

// The regional general date-time form: short date, a blank and the long time
// (seconds included); midnight is written as the date alone. Two-digit years
// are widened to four so the text reads back to the same day.
QString generalDateTimeText(const QDateTime& value, const QLocale& locale = QLocale());
// Reads the regional form back, or ISO 8601 ("2026-12-08T17:28:43").
std::optional<QDateTime> parseGeneralDateTime(QStringView text,
                                              const QLocale& locale = QLocale());
// The text a date-time is kept as: the regional form where this locale reads
// it back to the same second, ISO 8601 where it does not (some locales' day
// periods and digits do not survive the trip).
QString storedDateTimeText(const QDateTime& value, const QLocale& locale = QLocale());

} // namespace zelvane
