#pragma once

#include <QString>

namespace zelvane {

inline const QString kQueryFile = QStringLiteral("Query.txt");
inline const QString kCityFile = QStringLiteral("City.txt");
inline const QString kCityCodeFile = QStringLiteral("City Code.txt");

// The folder the data files live in: the executable's folder when it can be
// written, otherwise userFolder, which is seeded with the shipped city files
// on first use so an installed program keeps its data.
QString resolveDataFolder(const QString& programFolder, const QString& userFolder);

// The user's data folder of this program (~/.local/share/Zelvane on Linux).
QString userDataFolder();

} // namespace zelvane
