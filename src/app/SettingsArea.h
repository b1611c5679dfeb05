#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace zelvane {

// The per-user store of named text values that the settings live in.
class SettingsArea {
public:
    virtual ~SettingsArea() = default;
    // Stores one value; false when it could not be written.
    virtual bool save(const QString& key, const QString& value) = 0;
    // The stored text, or defaultValue when the key does not exist.
    virtual QString get(const QString& key, const QString& defaultValue) = 0;
    // The key is gone (or was never there); false when it could not be removed.
    virtual bool remove(const QString& key) = 0;
};

// The platform's settings area: the registry on Windows, an ini file under the
// user's configuration folder elsewhere. It holds the PIN, so on Linux the file
// and its folder are kept private to the user. The file is opened at the first
// read or write, not when the area is made: a copy refused at start-up must
// not have read it.
class NativeSettingsArea final : public SettingsArea {
public:
    bool save(const QString& key, const QString& value) override;
    QString get(const QString& key, const QString& defaultValue) override;
    bool remove(const QString& key) override;
    QString fileName();

private:
    QSettings& settings();
    void ensurePrivateFile();
    void restrictToOwner();
    std::unique_ptr<QSettings> settings_;
};

inline const QString kSettingsApplication = QStringLiteral("Zelvapp");
inline const QString kSettingsSection = QStringLiteral("Settings");

} // namespace zelvane
