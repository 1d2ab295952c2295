#pragma once

#include "Result.h"

#include <QStringList>

namespace server {

// Tags group computers for the console (filters, maintenance, changes to many at once). A tag is 1 to
// kLongestTag lowercase letters, digits, '-' and '_', starting with a letter or digit; letters an operator
// types in capitals are taken in lowercase, so "Web" and "web" are one tag.
inline constexpr int kLongestTag = 32;
inline constexpr int kMostTagsPerComputer = 20;

// The tag to store for what an operator typed, or why it cannot be one.
Result<QString> checkTag(const QString& text);

// A computer's whole set of tags: each checked, duplicates dropped, sorted, at most kMostTagsPerComputer.
Result<QStringList> checkTags(const QStringList& texts);

} // namespace server
