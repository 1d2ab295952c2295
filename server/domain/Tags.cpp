#include "domain/Tags.h"

#include <QRegularExpression>

namespace server {

Result<QString> checkTag(const QString& text) {
    static const QRegularExpression kTagShape(QStringLiteral("^[a-z0-9][a-z0-9_-]*$"));
    const QString tag = text.trimmed().toLower();
    if (tag.isEmpty())
        return Failure{QStringLiteral("A tag cannot be empty.")};
    if (tag.size() > kLongestTag)
        return Failure{
            QStringLiteral("\"%1\" is longer than %2 characters; shorten it.").arg(tag).arg(kLongestTag)};
    if (!kTagShape.match(tag).hasMatch())
        return Failure{
            QStringLiteral("\"%1\" is not a tag: use letters a-z, digits, '-' and '_', starting with "
                           "a letter or digit.")
                .arg(tag)};
    return tag;
}

Result<QStringList> checkTags(const QStringList& texts) {
    QStringList tags;
    for (const QString& text : texts) {
        const auto tag = checkTag(text);
        if (!tag)
            return Failure{tag.reason()};
        if (!tags.contains(*tag))
            tags << *tag;
    }
    if (tags.size() > kMostTagsPerComputer)
        return Failure{QStringLiteral("A computer carries at most %1 tags; these are %2.")
                           .arg(kMostTagsPerComputer)
                           .arg(tags.size())};
    tags.sort();
    return tags;
}

} // namespace server
