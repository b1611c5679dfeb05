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
    ensurePrivateFile();
    settings().setValue(kSettingsSection + QLatin1Char('/') + key, value);
    // Written through at once, so a failure belongs to this key and a crash
    // later loses nothing already saved.
    settings().sync();
    if (settings().status() != QSettings::NoError)
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

void NativeSettingsArea::ensurePrivateFile()
{
#ifndef Q_OS_WIN
    // Made private before anything is written to it: the settings writer
    // keeps the permissions of the file it replaces.
    const QFileInfo info(settings().fileName());
    if (info.exists() || !QDir().mkpath(info.absolutePath()))
        return;
    QFile f(info.absoluteFilePath());
    if (f.open(QIODevice::WriteOnly))
        f.close();
    restrictToOwner();
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
