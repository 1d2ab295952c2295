#pragma once

#include "store/AccountStore.h"

namespace server {

// Failed logins a name may have from one address before it must wait.
inline constexpr int kFreeLoginFailures = 5;
// Failed logins one address may have in a minute, whatever the names, so that guessing one password for
// each of many names is as slow as guessing many for one.
inline constexpr int kAddressFailuresPerMinute = 20;
inline constexpr qint64 kAddressWindowSeconds = 60;
// How far back a name's failures from one address count towards its wait.
inline constexpr qint64 kNameWindowSeconds = 24 * 3600;

// How long a name must wait at one address after `failures` failures there in a row: nothing for the first
// few, then 30 seconds doubling with each further failure, at most an hour, so a guesser gets a few dozen
// tries a day while an operator who mistyped waits half a minute. Failures elsewhere never make the owner
// wait, so nobody can lock an operator out.
qint64 loginWaitSeconds(int failures);

// The failures that bear on the next login of a name from an address.
struct RecentFailures {
    AccountStore::FailureSpan fromAddress; // any name, within kAddressWindowSeconds
    AccountStore::FailureSpan ofName;      // this name from this address, within kNameWindowSeconds
    // The same with one more failure at `now`.
    RecentFailures adding(const QDateTime& now) const;
};

// Seconds before the next login is even looked at; 0: at once.
qint64 loginWaitSeconds(const RecentFailures& failures, const QDateTime& now);

} // namespace server
