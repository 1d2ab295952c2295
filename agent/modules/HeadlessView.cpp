#include "modules/HeadlessView.h"

#include "modules/NameFile.h"

#include <cstdio>
#include <QDir>

std::optional<int> HeadlessView::runFirstRunSetup() {
    std::fprintf(stderr,
                 "This computer has no name yet: %s is missing or empty.\n"
                 "Start KOVA Oru on a desktop to name it, or write the name into that file.\n",
                 qPrintable(QDir::toNativeSeparators(mdlGeneral::nameFilePath())));
    return 2;
}
