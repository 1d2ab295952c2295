#pragma once

#include "platform/Drives.h"

#include <QString>
#include <QStringList>
#include <vector>

// The drives that the add window's drive list offers.
namespace mdlFolderEdit {

// In the platform's order: the local disks, and every drive that the platform could not vouch for (a card
// reader without a card, a network share), which may still hold folders. Ready drives that are no disks
// (memory and kernel file systems) hold nothing to monitor.
QStringList drivesToOffer(const std::vector<platform::Drive>& drives);

// The offered drive that holds folder: the longest root it lies under; empty when there is none.
QString driveOfFolder(const QStringList& roots, const QString& folder);

} // namespace mdlFolderEdit
