#pragma once

#include <QJsonObject>
#include <cstdio>
#include <mutex>
#include <string>

namespace sitesim {

// One JSON object per line per request, written and flushed before the answer
// goes out, so a test that has its reply can read the line at once.
class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    bool open(const std::string& path);
    // Numbers the entry ("n", from 1) and writes it; without a file it only
    // counts.
    void write(QJsonObject entry);
    void flush();

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    qint64 count_ = 0;
};

} // namespace sitesim
