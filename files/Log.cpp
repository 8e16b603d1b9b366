#include "Log.h"

#include <cstdio>
#include <mutex>

#include <syslog.h>

namespace {

std::mutex &sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void(const std::string &)> &sink()
{
    static std::function<void(const std::string &)> current;
    return current;
}

} // namespace

void logMessage(const std::string &line)
{
    std::lock_guard lock(sinkMutex());
    if (sink()) {
        sink()(line);
        return;
    }
    ::syslog(LOG_WARNING, "%s", line.c_str());
    std::fprintf(stderr, "quorvane: %s\n", line.c_str());
}

std::function<void(const std::string &)> setLogSink(std::function<void(const std::string &)> newSink)
{
    std::lock_guard lock(sinkMutex());
    auto previous = std::move(sink());
    sink() = std::move(newSink);
    return previous;
}
