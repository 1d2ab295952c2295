#include "forms/FolderList.h"

#include <QDir>
#include <QStyle>

namespace {

constexpr int kIndentBlanks = 2;

// The chain from the root down to folder, folder included.
QStringList chainFromRoot(const QString& folder) {
    QStringList chain;
    for (QDir dir(folder);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    return chain;
}

// How the list names a folder: by its own name, the root by its path.
QString entryText(const QString& folder) {
    const QDir dir(folder);
    return dir.isRoot() ? QDir::toNativeSeparators(dir.absolutePath()) : dir.dirName();
}

} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        QString error;
        setPath(item->data(Qt::UserRole).toString(), &error);
    });
}

bool FolderList::setPath(const QString& folder, QString* error) {
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable()) {
        *error = QStringLiteral("%1 cannot be read").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    fill(dir.absolutePath());
    openFolder = QDir::toNativeSeparators(dir.absolutePath());
    emit pathChanged(openFolder);
    return true;
}

void FolderList::fill(const QString& folder) {
    clear();
    const QStringList chain = chainFromRoot(folder);
    for (int depth = 0; depth < chain.size(); ++depth)
        addEntry(chain[depth], entryText(chain[depth]), depth, true);
    setCurrentRow(count() - 1);
    const QDir dir(folder);
    const QStringList subfolders =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders)
        addEntry(dir.absoluteFilePath(name), name, static_cast<int>(chain.size()), false);
}

void FolderList::addEntry(const QString& folder, const QString& text, int depth, bool open) {
    const QIcon icon = style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
    auto* item = new QListWidgetItem(icon, QString(depth * kIndentBlanks, QLatin1Char(' ')) + text, this);
    item->setData(Qt::UserRole, folder);
}
