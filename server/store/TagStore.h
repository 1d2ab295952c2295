#pragma once

#include "store/ServerStore.h"

#include <QHash>

namespace server {

// The tags each computer carries (see domain/Tags for what a tag may be).
class TagStore {
public:
    explicit TagStore(ServerStore& store) : m_store(store) {}

    // Sorted, for each of `computers` that carries any.
    Result<QHash<QString, QStringList>> tagsOf(const QStringList& computers);
    // The computers carrying `tag` now.
    Result<QStringList> computersTagged(const QString& tag);
    // Replaces the computer's tags, inside the caller's transaction (with its audit row).
    Result<> replaceTags(const QString& computer, const QStringList& tags);

private:
    ServerStore& m_store;
};

} // namespace server
