#pragma once

#include "domain/Acknowledgement.h"
#include "domain/MaintenanceWindow.h"
#include "store/ServerStore.h"

#include <optional>

namespace server {

// What operators decided that stands for one computer now.
struct ComputerActions {
    std::optional<Acknowledgement> acknowledgement; // only while it still covers the standing alert
    std::optional<MaintenanceWindow> maintenance;   // the window the computer is in now
};

// Whose maintenance windows: one computer's own (tag empty), or a tag's (computer empty).
struct WindowOwner {
    QString computer;
    QString tag;
};

// Acknowledgements and maintenance windows. Writes run inside the caller's transaction, with the audit
// row and the event they leave.
class OperatorActionStore {
public:
    explicit OperatorActionStore(ServerStore& store) : m_store(store) {}

    // The computer's standing conditions as one text (see alertFingerprint); empty when none stands.
    Result<QString> standingAlert(const QString& computer);
    // Replaces the computer's acknowledgement, if any.
    Result<> saveAcknowledgement(const Acknowledgement& acknowledgement);

    Result<qint64> addWindow(const MaintenanceWindow& window, const QDateTime& now);
    // Ends a window at `now` (one not begun yet is dropped); false when the owner has no such window
    // still to come or running.
    Result<bool> endWindow(const WindowOwner& owner, qint64 id, const QDateTime& now);
    // The owner's windows not over at `now`, soonest first.
    Result<QList<MaintenanceWindow>> windows(const WindowOwner& owner, const QDateTime& now);
    // Whether the computer is in a window at `at`, its own or one of a tag it carries.
    Result<bool> inMaintenance(const QString& computer, const QDateTime& at);

    // For each of `computers` that has any: its standing acknowledgement and the window it is in now (its
    // own or a tag's).
    Result<QHash<QString, ComputerActions>> actionsOf(const QStringList& computers, const QDateTime& now);
    // The same for every computer that has any.
    Result<QHash<QString, ComputerActions>> everyonesActions(const QDateTime& now);
    // The same for the computers named after `afterName` up to and including `lastName`: a page of the
    // fleet read by name costs two short statements rather than a value bound per computer.
    Result<QHash<QString, ComputerActions>> actionsBetween(const QString& afterName, const QString& lastName,
                                                           const QDateTime& now);

private:
    // Which computers a read covers: a condition on the `computer` column and the values it binds.
    struct Selection {
        QString condition;
        QVariantList values;
    };

    Result<QHash<QString, ComputerActions>> actionsIn(const Selection& computers, const QDateTime& now);
    Result<QHash<QString, QHash<QString, QString>>> conditionsOf(const QStringList& computers);
    Result<> readAcknowledgements(const Selection& computers, const QDateTime& now,
                                  QHash<QString, ComputerActions>& actions);
    Result<> readWindowsAt(const Selection& computers, const QDateTime& now,
                           QHash<QString, ComputerActions>& actions);

    ServerStore& m_store;
};

} // namespace server
