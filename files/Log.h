#pragma once

#include <functional>
#include <string>

/// Writes one line to the system log (syslog, which journald keeps) and to standard error.
/// Thread-safe.
void logMessage(const std::string &line);

/// Replaces where log lines go (tests capture them); an empty function restores the system log.
/// Returns the previous sink.
std::function<void(const std::string &)> setLogSink(std::function<void(const std::string &)> sink);
