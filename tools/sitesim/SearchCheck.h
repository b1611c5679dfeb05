#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace sitesim {

// A raw query string split at "&" and at the first "=" of each pair, with
// nothing decoded.
QList<QPair<QString, QString>> splitQuery(const QString& rawQuery);

// The outcome of checking an award search address the way the airline's
// booking servlet insists on it.
struct SearchCheck {
    bool valid = false;
    QStringList problems; // one text per bad parameter, naming it
    QDate date;           // set when valid
    QString from, to;     // departure and arrival city codes
    int adults = 0;       // 1 to 9 when readable, whatever else is wrong
};

SearchCheck checkAwardSearch(const QString& rawQuery);

} // namespace sitesim
