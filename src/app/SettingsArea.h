#pragma once

#include <QList>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>

namespace zelvane {

// Keys and their texts, in the order they are written.
using SettingsTexts = QList<std::pair<QString, QString>>;

// The per-user store of named text values that the settings live in.
class SettingsArea {
public:
    virtual ~SettingsArea() = default;
    // The stored text, or defaultValue when the key does not exist.
    virtual QString get(const QString& key, const QString& defaultValue) = 0;
    // Stores every value and removes the keys named, in one write: the store
    // then holds all of them or, when the write fails, what it held before.
    // Empty when written; otherwise why it was not, in words.
    virtual QString write(const SettingsTexts& values, const QStringList& removed) = 0;
};

// The platform's settings area: the registry on Windows, an ini file under the
// user's configuration folder elsewhere. It holds the PIN, so on Linux the file
// and its folder are kept private to the user. The file is opened at the first
// read or write, not when the area is made: a copy refused at start-up must
// not have read it.
class NativeSettingsArea final : public SettingsArea {
public:
    QString get(const QString& key, const QString& defaultValue) override;
    QString write(const SettingsTexts& values, const QStringList& removed) override;
    QString fileName();

private:
    QSettings& settings();
    std::unique_ptr<QSettings> settings_;
};

inline const QString kSettingsApplication = QStringLiteral("Zelvapp");
inline const QString kSettingsSection = QStringLiteral("Settings");

} // namespace zelvane
