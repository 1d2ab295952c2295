#include "domain/Role.h"

namespace server {

std::optional<Role> roleFromText(const QString& text) {
    if (text == QLatin1String("admin"))
        return Role::Admin;
    if (text == QLatin1String("viewer"))
        return Role::Viewer;
    return std::nullopt;
}

QString roleText(Role role) {
    return role == Role::Admin ? QStringLiteral("admin") : QStringLiteral("viewer");
}

} // namespace server
