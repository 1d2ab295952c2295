#pragma once

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

    // Opens folder; false (with the reason in *error) when it cannot be read, and the list stays as it was.
    bool setPath(const QString& folder, QString* error);

signals:
    void pathChanged(const QString& path);

private:
    void fill(const QString& folder);

    QString openFolder;
};
