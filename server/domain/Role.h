#pragma once

#include <optional>
#include <QString>

namespace server {

// What an operator or API token may do: a viewer reads, an admin also changes.
enum class Role { Viewer, Admin };

std::optional<Role> roleFromText(const QString& text);
QString roleText(Role role);

} // namespace server
