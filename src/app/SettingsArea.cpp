#include "app/SettingsArea.h"

#include "app/PrivateFiles.h"
#include "app/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QSaveFile>
#include <QStorageInfo>

#include <cstring>

namespace zelvane {

namespace {

QString keyPath(const QString& key)
{
    return kSettingsSection + QLatin1Char('/') + key;
}

// Qt tells only that a write failed; the disk says why when it can.
QString whyNotWritten(const QString& path, const QString& error)
{
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (disk.isValid() && disk.isReady()) {
        if (disk.isReadOnly())
            return QStringLiteral("the disk holding %1 is read-only").arg(QDir::toNativeSeparators(path));
        if (disk.bytesAvailable() < 64 * 1024)
            return QStringLiteral("the disk holding %1 is full").arg(QDir::toNativeSeparators(path));
    }
    return QStringLiteral("%1 could not be written (%2)").arg(QDir::toNativeSeparators(path), error);
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A value as the ini reader takes it back. Quoted only where the reader
// would split or trim it, so ordinary values read as they always did.
QByteArray iniValue(QString text)
{
    // A leading "@" marks a typed value to the reader; doubled, it is text.
    if (text.startsWith(u'@'))
        text.prepend(u'@');
    QByteArray out;
    bool quoted = text.startsWith(u' ') || text.endsWith(u' ');
    bool hexBefore = false; // a hex escape goes on for as long as hex digits follow
    for (const QChar c : std::as_const(text)) {
        const char16_t u = c.unicode();
        quoted = quoted || u == u',' || u == u';' || u == u'=';
        if (hexBefore && isHexDigit(c)) {
            out += "\\x" + QByteArray::number(u, 16);
            continue;
        }
        hexBefore = false;
        switch (u) {
        case u'\\': out += "\\\\"; break;
        case u'"': out += "\\\""; break;
        case u'\n': out += "\\n"; break;
        case u'\r': out += "\\r"; break;
        case u'\t': out += "\\t"; break;
        default:
            if (u < 0x20 || u == 0x7f) {
                out += "\\x" + QByteArray::number(u, 16);
                hexBefore = true;
            } else {
                out += QString(c).toUtf8();
            }
        }
    }
    return quoted ? '"' + out + '"' : out;
}

// A key or section name as the reader takes it back: letters, digits and
// "_-." as they are, a subgroup's "/" as "\", anything else as %UXXXX.
QByteArray iniKey(const QString& key)
{
    QByteArray out;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'_'
            || u == u'-' || u == u'.')
            out += char(u);
        else if (u == u'/')
            out += '\\';
        else
            out += "%U" + QByteArray::number(u, 16).rightJustified(4, '0').toUpper();
    }
    return out;
}

// A value another copy wrote, as the reader gave it: a text with commas came
// as a list, and goes back as one.
QByteArray iniValue(const QVariant& v)
{
    if (v.typeId() != QMetaType::QStringList)
        return iniValue(v.toString());
    QByteArrayList items;
    for (const QString& item : v.toStringList())
        items << iniValue(item);
    return items.join(", ");
}

} // namespace

QSettings& NativeSettingsArea::settings()
{
    // QSettings reads its file as it is made.
    if (!settings_) {
        settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                kSettingsApplication, kSettingsApplication);
        // A folder or file an older copy left open to others is closed.
        const QFileInfo info(settings_->fileName());
        keepPrivate(info.absolutePath());
        keepPrivate(info.absoluteFilePath());
    }
    return *settings_;
}

QString NativeSettingsArea::fileName()
{
    return settings().fileName();
}

QString NativeSettingsArea::get(const QString& key, const QString& defaultValue)
{
    const QVariant v = settings().value(keyPath(key));
    if (!v.isValid())
        return defaultValue;
    // The ini reader turns a text with commas into a list; put it back together.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1String(", "));
    return v.toString();
}

#ifndef Q_OS_WIN

QString NativeSettingsArea::write(const SettingsTexts& values, const QStringList& removed)
{
    // The whole file: every key it holds, ours as given, other copies' as
    // they are, in sections of sorted keys as Qt writes them.
    QSettings& reader = settings();
    const QString path = reader.fileName();
    QMap<QString, QMap<QString, QByteArray>> sections;
    const auto put = [&sections](const QString& fullKey, const QByteArray& value) {
        const qsizetype slash = fullKey.indexOf(u'/');
        if (slash < 0)
            sections[QStringLiteral("General")][fullKey] = value;
        else
            sections[fullKey.left(slash)][fullKey.mid(slash + 1)] = value;
    };
    for (const QString& key : reader.allKeys())
        put(key, iniValue(reader.value(key)));
    for (const auto& [key, text] : values)
        put(keyPath(key), iniValue(text));
    for (const QString& key : removed)
        sections[kSettingsSection].remove(key);
    QByteArray bytes;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        if (!bytes.isEmpty())
            bytes += '\n';
        bytes += '[' + iniKey(s.key()) + "]\n";
        for (auto k = s->cbegin(); k != s->cend(); ++k)
            bytes += iniKey(k.key()) + '=' + k.value() + '\n';
    }

    if (!QFileInfo::exists(QFileInfo(path).absolutePath()) && QDir().mkpath(QFileInfo(path).absolutePath()))
        keepPrivate(QFileInfo(path).absolutePath());
    // Beside the file, complete and synced before it takes the file's name,
    // every write checked: the one helper every data file is written with.
    const FileWrite written = writeWholeFile(path, bytes, QDir::toNativeSeparators(path));
    if (!written.ok())
        return whyNotWritten(path, QString::fromLocal8Bit(std::strerror(written.error)));
    // Read afresh at the next look.
    settings_.reset();
    return {};
}

#else

QString NativeSettingsArea::write(const SettingsTexts& values, const QStringList& removed)
{
    QSettings& s = settings();
    for (const auto& [key, text] : values)
        s.setValue(keyPath(key), text);
    for (const QString& key : removed)
        s.remove(keyPath(key));
    s.sync();
    return s.status() == QSettings::AccessError ? QStringLiteral("the settings could not be written") : QString();
}

#endif

} // namespace zelvane
