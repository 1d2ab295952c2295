#include "exchange/HeldAnswers.h"

namespace server {

HeldAnswers::HeldAnswers(ServerStore& store) : m_store(store) {
    m_commit.setSingleShot(true);
    m_commit.setInterval(0);
    QObject::connect(&m_commit, &QTimer::timeout, [this] { m_store.settle(); });
    m_store.setSettledObserver([this](const Result<>& commit) { settled(commit); });
}

void HeldAnswers::setObservers(Answered answered, std::function<void(int size)> committed) {
    m_answered = std::move(answered);
    m_committed = std::move(committed);
}

void HeldAnswers::send(Deliver deliver, QHttpServerResponse&& answer, LostAnswer ifLost,
                       const QElapsedTimer& since) {
    Held held{std::move(deliver), std::move(answer), std::move(ifLost), since};
    if (!m_store.groupOpen())
        return this->deliver(held);
    m_held.push_back(std::move(held));
    if (int(m_held.size()) >= kMostHeld)
        return m_store.settle();
    if (!m_commit.isActive())
        m_commit.start();
}

// A failed commit takes back, latest first, what each request counted as done, then answers each in turn.
void HeldAnswers::settled(const Result<>& commit) {
    m_commit.stop();
    std::vector<Held> held = std::move(m_held);
    m_held.clear();
    if (!commit) {
        for (auto it = held.rbegin(); it != held.rend(); ++it) {
            if (it->ifLost)
                it->answer = it->ifLost(commit.reason());
        }
    }
    if (m_committed && commit)
        m_committed(int(held.size()));
    for (Held& each : held)
        deliver(each);
}

void HeldAnswers::deliver(Held& held) {
    if (m_answered)
        m_answered(held.answer, held.since);
    held.deliver(std::move(held.answer));
}

} // namespace server
