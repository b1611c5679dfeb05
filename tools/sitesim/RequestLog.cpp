#include "RequestLog.h"

#include <QJsonDocument>

namespace sitesim {

RequestLog::~RequestLog()
{
    if (file_)
        std::fclose(file_);
}

bool RequestLog::open(const std::string& path)
{
    file_ = std::fopen(path.c_str(), "ab");
    return file_ != nullptr;
}

void RequestLog::write(QJsonObject entry)
{
    std::lock_guard lock(mutex_);
    entry.insert(QStringLiteral("n"), ++count_);
    if (!file_)
        return;
    QByteArray line = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    line.append('\n');
    std::fwrite(line.constData(), 1, size_t(line.size()), file_);
    std::fflush(file_);
}

void RequestLog::flush()
{
    std::lock_guard lock(mutex_);
    if (file_)
        std::fflush(file_);
}

} // namespace sitesim
