#pragma once

#include <optional>
#include <string>
#include <string_view>

/// The options of the `quorvane` program itself, the text of its --help and its manual page quorvane(1), all
/// from one table.
namespace AppCommandLine {

/// What the arguments ask for before any window opens, or nothing when the window should open. Arguments it
/// does not know are left to Qt (-platform, -style and the others).
enum class Request { help, version, manual };
std::optional<Request> request(int argc, const char *const *argv);

std::string usageText();
std::string manualPage(std::string_view version, std::string_view date);

} // namespace AppCommandLine
