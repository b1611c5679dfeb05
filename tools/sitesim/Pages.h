#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The pages of the two sites. The airline's pages are written the way its
// 2000s servlets wrote them (upper-case tags, unclosed cells, entities,
// comments and scripts), because the program's reader must cope with exactly
// that. Every page is Latin-1, as the airline's site declares.
namespace sitesim::pages {

inline constexpr const char* kHtmlType = "text/html; charset=ISO-8859-1";

QString escape(const QString& text);

QString loginForm();
QString loginFailed();
// cityArrays false leaves the two script arrays out.
QString account(const QString& surname, bool cityArrays, const QStringList& names,
                const QStringList& codes);
// The search a result page answers, as its heading row names it: "Sydney
// (SYD) to Melbourne (MEL) · Tuesday 15 December 2026 · 2 Adults"; empty
// when the search did not name a route and a date.
QString searchSummary(const QString& from, const QString& to, const QDate& date, int adults);
QString availability(const QString& frameSource, bool frameset, const QString& summary = {});
QString flightTable(const QList<QStringList>& rows);
// A flight table under the headings of a new design, as a changed site might send it.
QString redesignedFlightTable();
QString frameExpired();
QString noAvailability(const QString& summary = {});
// The problems go into a comment, which a reader of the page text never sees.
QString startAgain(const QStringList& problems);

QString productHome();
QString support();
QString faq();
QString plain(const QString& title, const QString& text);

} // namespace sitesim::pages
