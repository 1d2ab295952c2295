#include "forms/WholeTextTree.h"

#include <QHeaderView>
#include <QTreeWidget>

void showWholeTexts(QTreeWidget& tree) {
    tree.setTextElideMode(Qt::ElideNone);
    tree.header()->setStretchLastSection(false);
    tree.header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    // Always there: one that came only with a long path would cover the last node just scrolled to.
    tree.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}
