#pragma once

#include "store/ServerStore.h"

#include <functional>
#include <QElapsedTimer>
#include <QHttpServerResponse>
#include <QTimer>
#include <vector>

namespace server {

// The agents' answers, each sent only once the writes it acknowledges are committed. The store's open
// group is committed as soon as the main thread has taken the requests the HTTP thread handed over
// meanwhile (under load: those that arrived during the previous commit), or once it holds kMostHeld
// answers, and then its answers go out in the order they were given.
class HeldAnswers {
public:
    // Enough that a commit's cost is shared well past the point where it stops mattering, few enough that
    // the first request of a burst does not wait long for the last one's work.
    static constexpr int kMostHeld = 64;

    // The answer that replaces a held one when the commit fails, given the database's reason.
    using LostAnswer = std::function<QHttpServerResponse(const QString& reason)>;
    // Each answer as it goes out; `since` started with its request.
    using Answered = std::function<void(const QHttpServerResponse& answer, const QElapsedTimer& since)>;
    // Takes an answer to where its client waits.
    using Deliver = std::function<void(QHttpServerResponse&& answer)>;

    explicit HeldAnswers(ServerStore& store);

    // `committed`: how many answers each successful commit released.
    void setObservers(Answered answered, std::function<void(int size)> committed);

    // Delivers `answer` now when the store has no open group, or else once the group is committed.
    // `ifLost` is set when the request wrote into the group.
    void send(Deliver deliver, QHttpServerResponse&& answer, LostAnswer ifLost, const QElapsedTimer& since);

private:
    struct Held {
        Deliver deliver;
        QHttpServerResponse answer;
        LostAnswer ifLost;
        QElapsedTimer since;
    };

    void settled(const Result<>& commit);
    void deliver(Held& held);

    ServerStore& m_store;
    std::vector<Held> m_held;
    QTimer m_commit;
    Answered m_answered;
    std::function<void(int)> m_committed;
};

} // namespace server
