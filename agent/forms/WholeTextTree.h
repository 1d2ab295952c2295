#pragma once

class QTreeWidget;

// Makes a one-column tree show every node's text whole, a horizontal scroll bar away when wider than the
// tree: a long folder path must stay readable.
void showWholeTexts(QTreeWidget& tree);
