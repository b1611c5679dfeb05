#pragma once

#include <QString>

namespace zelvane {

// The three web addresses the program talks to, each a scheme and host (and
// port) without a trailing "/". Tests, the demo and packagers point them
// elsewhere through the environment.
QString airlineBase(); // ZELVANE_AIRLINE_URL, else https://www.qantas.com.au
QString siteBase();    // ZELVANE_SITE_URL, else http://zelvane.example
QString relayBase();   // ZELVANE_RELAY_URL, else the product site

// The product's public web address as printed and mailed to the user (not
// where requests go: that is siteBase()).
inline const QString kProductWebAddress = QStringLiteral("http://www.zelvane.example");

// Factor applied to the engine's fixed pauses (ZELVANE_TIME_SCALE). Honoured
// only when the airline address is overridden, so the real site is never
// asked faster than the pauses allow.
double timeScale();

// The day a run against a simulated site takes for today (ZELVANE_TODAY,
// yyyy-mm-dd), as days from the real one; 0 against the real site, where the
// real date always holds.
qint64 simulatedDayShift();

} // namespace zelvane
