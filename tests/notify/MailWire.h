#pragma once

// Reads a query or form body the way the product site's scripts do: fields
// split at "&", a "+" is a blank, escapes decoded.

#include <QMap>
#include <QString>
#include <QUrl>

namespace zelvane::test {

inline QMap<QString, QString> serverFields(const QString& raw)
{
    QMap<QString, QString> fields;
    for (const QString& piece : raw.split(QLatin1Char('&'))) {
        const qsizetype eq = piece.indexOf(QLatin1Char('='));
        QString value = eq < 0 ? QString() : piece.mid(eq + 1);
        value.replace(QLatin1Char('+'), QLatin1Char(' '));
        fields.insert(eq < 0 ? piece : piece.left(eq), QUrl::fromPercentEncoding(value.toUtf8()));
    }
    return fields;
}

// What the server reads from an encoded mail text: the blanks back, the
// line breaks as "<br>".
inline QString decodedMailText(const QString& plain)
{
    return QString(plain).replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
}

} // namespace zelvane::test
