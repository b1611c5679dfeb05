#include "Scenario.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sitesim {

namespace {

const QStringList kDefaultNames = {
    QStringLiteral("Adelaide"),  QStringLiteral("Albany"),   QStringLiteral("Alice Springs"),
    QStringLiteral("Auckland"),  QStringLiteral("Brisbane"), QStringLiteral("Cairns"),
    QStringLiteral("Canberra"),  QStringLiteral("Darwin"),   QStringLiteral("Hobart"),
    QStringLiteral("London"),    QStringLiteral("Melbourne"), QStringLiteral("Perth"),
    QStringLiteral("Singapore"), QStringLiteral("Sydney")};
const QStringList kDefaultCodes = {
    QStringLiteral("ADL"), QStringLiteral("ALH"), QStringLiteral("ASP"), QStringLiteral("AKL"),
    QStringLiteral("BNE"), QStringLiteral("CNS"), QStringLiteral("CBR"), QStringLiteral("DRW"),
    QStringLiteral("HBA"), QStringLiteral("LON"), QStringLiteral("MEL"), QStringLiteral("PER"),
    QStringLiteral("SIN"), QStringLiteral("SYD")};

const QList<QStringList> kDefaultRows = {
    {QStringLiteral("SYD 07:00"), QStringLiteral("MEL 08:35"), QStringLiteral("QF 401"),
     QStringLiteral("Boeing 767"), QStringLiteral("0"), QStringLiteral("Available"),
     QStringLiteral("Waitlist"), QStringLiteral("-")}};

// Member numbers and PINs may be written as JSON numbers or as texts; a text
// keeps its leading zeros.
bool readText(const QJsonValue& v, QString* out)
{
    if (v.isString()) {
        *out = v.toString();
        return true;
    }
    if (v.isDouble()) {
        *out = QString::number(static_cast<qint64>(v.toDouble()));
        return true;
    }
    return false;
}

bool readTextList(const QJsonValue& v, QStringList* out)
{
    if (!v.isArray())
        return false;
    out->clear();
    for (const QJsonValue& item : v.toArray()) {
        QString s;
        if (!readText(item, &s))
            return false;
        out->append(s);
    }
    return true;
}

// A reply text, or null for "answer 404".
bool readOptionalText(const QJsonValue& v, std::optional<QString>* out)
{
    if (v.isNull()) {
        out->reset();
        return true;
    }
    QString s;
    if (!readText(v, &s))
        return false;
    *out = s;
    return true;
}

// A misspelt key would otherwise quietly leave its default in place and the
// test that wrote it would test something else.
QString unknownKey(const QJsonObject& o, const QStringList& known)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!known.contains(it.key()))
            return it.key();
    }
    return QString();
}

// The complaint about a stray key of the object at `path` ("member.",
// "site.", or empty for the top level); empty when there is none.
QString unknownKeyProblem(const QJsonObject& o, const QString& path, const QStringList& known)
{
    const QString k = unknownKey(o, known);
    return k.isEmpty() ? QString() : QStringLiteral("unknown key \"%1\"").arg(path + k);
}

// Each of the readers below takes one part of the file into the scenario and
// says what is wrong with it, or nothing.

QString readMember(const QJsonObject& root, Scenario* s)
{
    if (!root.contains(QLatin1String("member")))
        return QString();
    const QJsonObject m = root.value(QLatin1String("member")).toObject();
    if (const QString why = unknownKeyProblem(m, QStringLiteral("member."),
                                              {QStringLiteral("number"), QStringLiteral("surname"),
                                               QStringLiteral("pin")});
        !why.isEmpty())
        return why;
    if (m.contains(QLatin1String("number")) && !readText(m.value(QLatin1String("number")), &s->memberNumber))
        return QStringLiteral("member.number must be a number or a text");
    if (m.contains(QLatin1String("surname")) && !readText(m.value(QLatin1String("surname")), &s->surname))
        return QStringLiteral("member.surname must be a text");
    if (m.contains(QLatin1String("pin")) && !readText(m.value(QLatin1String("pin")), &s->pin))
        return QStringLiteral("member.pin must be a number or a text");
    return QString();
}

QString readCities(const QJsonObject& root, Scenario* s)
{
    if (!root.contains(QLatin1String("cities")))
        return QString();
    const QJsonValue c = root.value(QLatin1String("cities"));
    if (c.isNull()) {
        s->cityArrays = false;
        return QString();
    }
    const QJsonObject o = c.toObject();
    if (const QString why = unknownKeyProblem(o, QStringLiteral("cities."),
                                              {QStringLiteral("names"), QStringLiteral("codes")});
        !why.isEmpty())
        return why;
    if (o.contains(QLatin1String("names")) && !readTextList(o.value(QLatin1String("names")), &s->cityNames))
        return QStringLiteral("cities.names must be a list of texts");
    if (o.contains(QLatin1String("codes")) && !readTextList(o.value(QLatin1String("codes")), &s->cityCodes))
        return QStringLiteral("cities.codes must be a list of texts");
    return QString();
}

// One entry of "available"; without "rows" it has the one default flight.
QString readAvailability(const QJsonObject& o, Availability* a)
{
    if (const QString why = unknownKeyProblem(o, QStringLiteral("available."),
                                              {QStringLiteral("from"), QStringLiteral("to"),
                                               QStringLiteral("date"), QStringLiteral("rows")});
        !why.isEmpty())
        return why;
    a->from = o.value(QLatin1String("from")).toString();
    a->to = o.value(QLatin1String("to")).toString();
    const QString date = o.value(QLatin1String("date")).toString();
    a->date = QDate::fromString(date, QStringLiteral("dd/MM/yyyy"));
    if (a->from.isEmpty() || a->to.isEmpty() || !a->date.isValid())
        return QStringLiteral("each available entry needs from, to and a date dd/mm/yyyy");
    if (!o.contains(QLatin1String("rows"))) {
        a->rows = kDefaultRows;
        return QString();
    }
    if (!o.value(QLatin1String("rows")).isArray())
        return QStringLiteral("available rows must be a list of lists");
    for (const QJsonValue& row : o.value(QLatin1String("rows")).toArray()) {
        QStringList cells;
        if (!readTextList(row, &cells))
            return QStringLiteral("each flight row must be a list of cell texts");
        a->rows.append(cells);
    }
    return QString();
}

QString readAvailable(const QJsonObject& root, Scenario* s)
{
    const QJsonValue avail = root.value(QLatin1String("available"));
    if (!avail.isUndefined() && !avail.isArray())
        return QStringLiteral("available must be a list");
    for (const QJsonValue& item : avail.toArray()) {
        Availability a;
        if (const QString why = readAvailability(item.toObject(), &a); !why.isEmpty())
            return why;
        s->available.append(a);
    }
    return QString();
}

QString readFrameStyle(const QJsonObject& root, Scenario* s)
{
    const QString style = root.value(QLatin1String("frameStyle")).toString(QStringLiteral("iframe"));
    if (style != QLatin1String("iframe") && style != QLatin1String("frameset"))
        return QStringLiteral("frameStyle must be \"iframe\" or \"frameset\"");
    s->frameset = style == QLatin1String("frameset");
    return QString();
}

// The search and login counts after which the site misbehaves.
QString readCounts(const QJsonObject& root, Scenario* s)
{
    for (const auto& [key, field] : {std::pair{QStringLiteral("logoutAfterSearches"), &s->logoutAfterSearches},
                                     std::pair{QStringLiteral("failLoginsFrom"), &s->failLoginsFrom}}) {
        const QJsonValue v = root.value(key);
        if (v.isUndefined())
            continue;
        if (!v.isDouble() || v.toDouble() < 0)
            return key + QStringLiteral(" must be a number, 0 or more");
        *field = v.toInt();
    }
    return QString();
}

// "searchFaults" and "loginFaults": request number -> fault.
QString readFaults(const QJsonObject& root, Scenario* s)
{
    for (const auto& [key, map] : {std::pair{QStringLiteral("searchFaults"), &s->searchFaults},
                                   std::pair{QStringLiteral("loginFaults"), &s->loginFaults}}) {
        const QJsonObject faults = root.value(key).toObject();
        for (auto it = faults.begin(); it != faults.end(); ++it) {
            bool ok = false;
            const int n = it.key().toInt(&ok);
            const auto fault = parseFault(it.value().toString());
            if (!ok || n < 1 || !fault)
                return QStringLiteral("bad %1 entry \"%2\"").arg(key, it.key());
            map->insert(n, *fault);
        }
    }
    return QString();
}

QString readSite(const QJsonObject& root, Scenario* s)
{
    if (!root.contains(QLatin1String("site")))
        return QString();
    const QJsonObject site = root.value(QLatin1String("site")).toObject();
    if (const QString why = unknownKeyProblem(site, QStringLiteral("site."),
                                              {QStringLiteral("version"), QStringLiteral("alert"),
                                               QStringLiteral("emailReply"), QStringLiteral("relayReply"),
                                               QStringLiteral("relayReplyBytes")});
        !why.isEmpty())
        return why;
    if (site.contains(QLatin1String("version")) && !readOptionalText(site.value(QLatin1String("version")), &s->version))
        return QStringLiteral("site.version must be a text or null");
    if (site.contains(QLatin1String("alert")) && !readOptionalText(site.value(QLatin1String("alert")), &s->alert))
        return QStringLiteral("site.alert must be a text or null");
    if (site.contains(QLatin1String("emailReply")))
        s->emailReply = site.value(QLatin1String("emailReply")).toString();
    if (site.contains(QLatin1String("relayReply")))
        s->relayReply = site.value(QLatin1String("relayReply")).toString();
    if (site.contains(QLatin1String("relayReplyBytes")))
        s->relayReplyBytes = static_cast<qint64>(site.value(QLatin1String("relayReplyBytes")).toDouble(-1));
    return QString();
}

} // namespace

std::optional<FaultSpec> parseFault(const QString& text)
{
    static const QStringList kWithArgument = {QStringLiteral("status"), QStringLiteral("slow"),
                                              QStringLiteral("oversize"),
                                              QStringLiteral("binary")};
    static const QStringList kBare = {QStringLiteral("silent"), QStringLiteral("drop"),
                                      QStringLiteral("redirectloop"), QStringLiteral("binary"),
                                      QStringLiteral("portal"), QStringLiteral("redesigned"),
                                      QStringLiteral("redesignedframe")};
    FaultSpec f;
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    f.name = colon < 0 ? text : text.left(colon);
    if (colon < 0) {
        if (!kBare.contains(f.name))
            return std::nullopt;
        return f;
    }
    if (!kWithArgument.contains(f.name))
        return std::nullopt;
    bool ok = false;
    f.argument = text.mid(colon + 1).toLongLong(&ok);
    if (!ok || f.argument < 0)
        return std::nullopt;
    return f;
}

std::optional<Scenario> parseScenario(const QByteArray& json, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull())
        return fail(QStringLiteral("not JSON: ") + parseError.errorString());
    if (!doc.isObject())
        return fail(QStringLiteral("the scenario must be a JSON object"));
    const QJsonObject root = doc.object();
    if (const QString why = unknownKeyProblem(root, QString(),
                                              {QStringLiteral("member"), QStringLiteral("cities"),
                                               QStringLiteral("available"), QStringLiteral("frameStyle"),
                                               QStringLiteral("logoutAfterSearches"),
                                               QStringLiteral("failLoginsFrom"), QStringLiteral("searchFaults"),
                                               QStringLiteral("loginFaults"),
                                               QStringLiteral("site")});
        !why.isEmpty())
        return fail(why);

    Scenario s;
    s.cityNames = kDefaultNames;
    s.cityCodes = kDefaultCodes;
    // Only the first problem is told, so the order decides which one.
    for (const auto read : {readMember, readCities, readAvailable, readFrameStyle, readCounts,
                            readFaults, readSite}) {
        if (const QString why = read(root, &s); !why.isEmpty())
            return fail(why);
    }
    return s;
}

} // namespace sitesim
