#pragma once

#include <QDate>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace sitesim {

// One itinerary the airline has seats for.
struct Availability {
    QString from; // city code (or a city name of the scenario's list)
    QString to;
    QDate date;
    QList<QStringList> rows; // flight rows of eight cell texts each
};

// A fault to answer with, as written in the scenario: "status:500",
// "slow:2000", "silent", "drop", "oversize:5", "redirectloop", "binary",
// "portal".
struct FaultSpec {
    QString name;
    qint64 argument = 0;
};

// Everything the simulator's behaviour depends on; every key of the file is
// optional.
struct Scenario {
    QString memberNumber = QStringLiteral("1234567");
    QString surname = QStringLiteral("Smith");
    QString pin = QStringLiteral("1234");

    bool cityArrays = true; // false: the account page carries no arrays
    QStringList cityNames;
    QStringList cityCodes;

    QList<Availability> available;
    bool frameset = false; // result page with <FRAMESET> instead of <IFRAME>
    int logoutAfterSearches = 0; // 0: never
    int failLoginsFrom = 0;      // 0: never
    QMap<int, FaultSpec> searchFaults; // 1-based search number -> fault
    QMap<int, FaultSpec> loginFaults;  // 1-based login number -> fault

    std::optional<QString> version = QStringLiteral("1.1,http://www.zelvane.example/download.html");
    std::optional<QString> alert = QString();
    QString emailReply = QStringLiteral("Mail queued");
    QString relayReply = QStringLiteral("Message sent");
    qint64 relayReplyBytes = -1; // >= 0: the relay reply repeated/cut to this many bytes
};

// Reads a scenario from JSON text. On a malformed file returns nothing and
// says why in *error.
std::optional<Scenario> parseScenario(const QByteArray& json, QString* error);

// Parses "status:500" and friends; nothing for an unknown fault.
std::optional<FaultSpec> parseFault(const QString& text);

} // namespace sitesim
