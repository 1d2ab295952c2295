#include "domain/FleetQuery.h"

#include "domain/ComputerState.h"
#include "domain/Tags.h"

namespace server {
namespace {

constexpr int kHighestPage = 1000000;

const QList<std::pair<FleetOrder, QString>>& orderWords() {
    static const QList<std::pair<FleetOrder, QString>> words{
        {FleetOrder::State, QStringLiteral("state")},
        {FleetOrder::Name, QStringLiteral("name")},
        {FleetOrder::LastReport, QStringLiteral("lastReport")},
        {FleetOrder::Os, QStringLiteral("os")},
        {FleetOrder::Version, QStringLiteral("version")},
        {FleetOrder::FreeDisk, QStringLiteral("freeDisk")}};
    return words;
}

QString listed(QStringList words) {
    const QString last = words.takeLast();
    return words.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

Result<FleetOrder> readOrder(const QString& word) {
    if (word.isEmpty())
        return FleetOrder::State;
    QStringList allowed;
    for (const auto& [order, name] : orderWords()) {
        if (name == word)
            return order;
        allowed << name;
    }
    return Failure{QStringLiteral("sort must be %1.").arg(listed(allowed))};
}

Result<bool> readDescending(const QString& word) {
    if (word.isEmpty() || word == QLatin1String("asc"))
        return false;
    if (word == QLatin1String("desc"))
        return true;
    return Failure{QStringLiteral("order must be asc or desc.")};
}

Result<int> readPageSize(const QString& word) {
    static const QList<int> sizes{50, 200, 1000};
    if (word.isEmpty())
        return sizes.first();
    if (sizes.contains(word.toInt()))
        return word.toInt();
    return Failure{QStringLiteral("size must be 50, 200 or 1000 computers a page.")};
}

Result<int> readPage(const QString& word) {
    if (word.isEmpty())
        return 1;
    bool ok = false;
    const int page = word.toInt(&ok);
    if (ok && page >= 1 && page <= kHighestPage)
        return page;
    return Failure{QStringLiteral("page must be a whole number from 1 to %1.").arg(kHighestPage)};
}

Result<QString> readOnly(const QString& word) {
    if (word.isEmpty() || fleetFilterWords().contains(word))
        return word;
    return Failure{
        QStringLiteral("state must be %1 (or absent for every computer).").arg(listed(fleetFilterWords()))};
}

Result<QString> readTag(const QString& word) {
    return word.isEmpty() ? Result<QString>(word) : checkTag(word);
}

} // namespace

const QStringList& fleetFilterWords() {
    static const QStringList words =
        QStringList{computerStateText(ComputerState::Alert), computerStateText(ComputerState::Unreadable),
                    computerStateText(ComputerState::Silent), computerStateText(ComputerState::LowDisk),
                    computerStateText(ComputerState::Near)}
        << kInMaintenance << kAcknowledged;
    return words;
}

QString fleetOrderWord(FleetOrder order) {
    for (const auto& [each, word] : orderWords()) {
        if (each == order)
            return word;
    }
    return {};
}

Result<FleetQuery> readFleetQuery(const FleetWords& valueOf) {
    const auto only = readOnly(valueOf(QStringLiteral("state")));
    const auto order = readOrder(valueOf(QStringLiteral("sort")));
    const auto descending = readDescending(valueOf(QStringLiteral("order")));
    const auto size = readPageSize(valueOf(QStringLiteral("size")));
    const auto page = readPage(valueOf(QStringLiteral("page")));
    const auto tag = readTag(valueOf(QStringLiteral("tag")));
    for (const QString& reason :
         {only.reason(), order.reason(), descending.reason(), size.reason(), page.reason(), tag.reason()}) {
        if (!reason.isEmpty())
            return Failure{reason};
    }
    return FleetQuery{
        valueOf(QStringLiteral("search")).trimmed(), *only, *order, *descending, *page, *size, *tag};
}

Result<FleetQuery> readFleetQuery(const QUrlQuery& query) {
    return readFleetQuery(
        [&query](const QString& key) { return query.queryItemValue(key, QUrl::FullyDecoded); });
}

int lastFleetPage(int matching, int pageSize) {
    return std::max(1, (matching + pageSize - 1) / pageSize);
}

} // namespace server
