#pragma once

#include "Result.h"

#include <QString>
#include <QTreeWidget>

// A folder list in the manner of a directory list box: the open folder's ancestors from the drive's root
// down, the open folder itself, and its subfolders below it. A double click opens the folder under the
// mouse; highlighting alone opens nothing, and the open folder is what the list gives.
class FolderList : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The open folder with the system's own separators ("C:\Data", "C:\", "/srv/data", "/").
    QString path() const { return openFolder; }

    // Opens folder; a failure (with the reason) when it cannot be read, and the list stays as it was.
    Result<> setPath(const QString& folder);

signals:
    void pathChanged(const QString& path);

private:
    void fill(const QString& folder);

    QString openFolder;
};
