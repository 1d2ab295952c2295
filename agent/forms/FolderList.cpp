#include "forms/FolderList.h"

#include <QDir>
#include <QHeaderView>
#include <QStyle>

namespace {

constexpr int kIndentPixels = 12;

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

// How the list names a folder: by its own name, a root by its path.
QString entryText(const QString& folder) {
    const QDir dir(folder);
    return dir.isRoot() ? QDir::toNativeSeparators(dir.absolutePath()) : dir.dirName();
}

} // namespace

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setIndentation(kIndentPixels);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        // A folder that cannot be read leaves the list as it was.
        static_cast<void>(setPath(item->data(0, Qt::UserRole).toString()));
    });
}

Result<> FolderList::setPath(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return Result<>::failure(QStringLiteral("%1 cannot be read").arg(QDir::toNativeSeparators(folder)));
    fill(dir.absolutePath());
    openFolder = QDir::toNativeSeparators(dir.absolutePath());
    emit pathChanged(openFolder);
    return Result<>::success();
}

void FolderList::fill(const QString& folder) {
    clear();
    const auto entry = [this](QTreeWidgetItem* parent, const QString& path, const QString& text,
                              QStyle::StandardPixmap icon) {
        auto* item = new QTreeWidgetItem(parent, {text});
        item->setIcon(0, style()->standardIcon(icon));
        item->setData(0, Qt::UserRole, path);
        return item;
    };
    QTreeWidgetItem* open = invisibleRootItem();
    for (const QString& step : chainFromRoot(folder))
        open = entry(open, step, entryText(step), QStyle::SP_DirOpenIcon);
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        entry(open, dir.absoluteFilePath(name), name, QStyle::SP_DirClosedIcon);
    expandAll();
    setCurrentItem(open);
}
