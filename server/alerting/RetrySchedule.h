#pragma once

#include <chrono>
#include <optional>
#include <QDateTime>

namespace server {

// When a failed delivery is tried again: the first retry after `firstDelay`, each later one after twice
// the one before, never more than an hour apart, for three days after the event (well past a weekend's
// outage of the receiver); after that, nothing: the delivery is given up.
struct RetrySchedule {
    std::chrono::milliseconds firstDelay{std::chrono::seconds(10)};

    static constexpr std::chrono::hours kLongestGap{1};
    static constexpr std::chrono::hours kGiveUpAfter{72};

    // `failures` counts the failed tries so far, this one included.
    std::optional<QDateTime> nextTry(int failures, const QDateTime& eventAt, const QDateTime& now) const;
};

} // namespace server
