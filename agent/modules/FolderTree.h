#pragma once

#include <QList>
#include <QString>

// Pictures of the folder tree's image list, by their number in it.
enum class TreeImage { Folder = 1, Blue = 2, Red = 3, Green = 4, Yellow = 5 };

struct FolderNode {
    QString key;
    QString text;
    TreeImage image = TreeImage::Folder;
};

// What TreeView1 shows: the root "Monitored Folders:" and one child per active folder slot, keyed by
// the slot ("zDir1" to "zDir10"), never by position.
class FolderTree {
public:
    static inline const QString kRootKey = QStringLiteral("FolderStatus");
    static inline const QString kRootText = QStringLiteral("Monitored Folders:");

    void addRoot() { rootPresent = true; }
    bool hasRoot() const { return rootPresent; }
    // Nodes counted the way the tree control counts them: the root and its children.
    int count() const { return (rootPresent ? 1 : 0) + static_cast<int>(folderNodes.size()); }
    const QList<FolderNode>& children() const { return folderNodes; }
    void removeChildren() { folderNodes.clear(); }
    // False when there is no root to hang the node under.
    bool addChild(const FolderNode& node) {
        if (!rootPresent)
            return false;
        folderNodes.append(node);
        return true;
    }
    QString lastAddedKey() const { return folderNodes.isEmpty() ? QString() : folderNodes.last().key; }

private:
    bool rootPresent = false;
    QList<FolderNode> folderNodes;
};
