#include "modules/DriveChoice.h"

#include <QDir>

namespace mdlFolderEdit {

namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

// With a closing slash, so that "/home" does not hold "/homework".
QString asFolderPrefix(const QString& path) {
    QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (!clean.endsWith(QLatin1Char('/')))
        clean += QLatin1Char('/');
    return clean;
}

} // namespace

QStringList drivesToOffer(const std::vector<platform::Drive>& drives) {
    QStringList roots;
    for (const platform::Drive& drive : drives) {
        if (drive.fixed || !drive.ready)
            roots << drive.root;
    }
    return roots;
}

QString driveOfFolder(const QStringList& roots, const QString& folder) {
    const QString path = asFolderPrefix(folder);
    QString best;
    for (const QString& root : roots) {
        if (path.startsWith(asFolderPrefix(root), kPathCase) && root.size() > best.size())
            best = root;
    }
    return best;
}

} // namespace mdlFolderEdit
