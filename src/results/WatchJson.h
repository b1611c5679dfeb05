#pragma once

#include <QByteArray>
#include <QDate>
#include <QJsonObject>

namespace zelvane {

class CheckResults;
class WatchList;
struct Itinerary;
struct ItineraryResult;

// The version of zelvane-check's JSON (docs/zelvane-check.schema.json): one
// more whenever a field changes its meaning or goes; a new field keeps it.
inline constexpr int kWatchJsonVersion = 2;

// A watch's options: its cities, each leg's dates and days either side (a
// leg's own filters go beside them), the time of day, cabin, party and the
// choices that change what is told.
QJsonObject watchJson(const Itinerary& itinerary);
// What its last check found, leg by leg and pair by pair: each date
// searched, its outcome, and the flights that seat the watch with their
// counts, as the result pages were read.
QJsonObject resultJson(const ItineraryResult& result);
// The whole list, with each watch's result when `results` are given.
QByteArray watchListJson(const WatchList& list, const CheckResults* results, const QDate& today);

} // namespace zelvane
