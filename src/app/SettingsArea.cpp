#include "app/SettingsArea.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zelvane {

QSettings& NativeSettingsArea::settings()
{
    // QSettings reads its file as it is made.
    if (!settings_)
        settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                kSettingsApplication, kSettingsApplication);
    return *settings_;
}

QString NativeSettingsArea::fileName()
{
    return settings().fileName();
}

bool NativeSettingsArea::save(const QString& key, const QString& value)
{
    if (!settings().isWritable())
        return false;
    // Private before anything is written: the settings writer keeps the
    // permissions of the file it replaces.
    ensurePrivateFile();
    restrictToOwner();
    settings().setValue(kSettingsSection + QLatin1Char('/') + key, value);
    // Written through at once, so a failure belongs to this key and a crash
    // later loses nothing already saved.
    settings().sync();
    // A format error is about the file as it was read (a hand edit gone
    // wrong) and stays set; the write itself went through, and the file now
    // holds clean text.
    if (settings().status() == QSettings::AccessError)
        return false;
    restrictToOwner();
    return true;
}

QString NativeSettingsArea::get(const QString& key, const QString& defaultValue)
{
    const QVariant v = settings().value(kSettingsSection + QLatin1Char('/') + key);
    if (!v.isValid())
        return defaultValue;
    // The ini reader turns a text with commas into a list; put it back together.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1String(", "));
    return v.toString();
}

bool NativeSettingsArea::remove(const QString& key)
{
    const QString path = kSettingsSection + QLatin1Char('/') + key;
    if (!settings().contains(path))
        return true;
    if (!settings().isWritable())
        return false;
    settings().remove(path);
    settings().sync();
    return settings().status() != QSettings::AccessError;
}

void NativeSettingsArea::ensurePrivateFile()
{
#ifndef Q_OS_WIN
    // Born private: made with the usual mode and narrowed after, a kill in
    // between would leave the file readable by everyone.
    const QFileInfo info(settings().fileName());
    if (info.exists() || !QDir().mkpath(info.absolutePath()))
        return;
    QFile f(info.absoluteFilePath());
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner))
        f.close();
#endif
}

void NativeSettingsArea::restrictToOwner()
{
#ifndef Q_OS_WIN
    const QFileInfo info(settings().fileName());
    QFile::setPermissions(info.absolutePath(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(info.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner);
#endif
}

} // namespace zelvane
