#include "modules/ServiceView.h"

#include "modules/NameFile.h"

#include <QDir>

ServiceView::ServiceView(LineSink writeLine) : sink(std::move(writeLine)) {}

void ServiceView::showLog(const QString& text) {
    for (const QString& line : lines.added(text))
        sink(line);
}

std::optional<int> ServiceView::runFirstRunSetup() {
    sink(QStringLiteral("This computer has no name yet: %1 is missing or empty. Write the computer's name "
                        "into that file (one word, one line), then start the service again.")
             .arg(QDir::toNativeSeparators(mdlGeneral::nameFilePath())));
    return kNoNameExitCode;
}

bool ServiceView::show(const platform::ShownBox& box) {
    const QString answered =
        box.question ? QStringLiteral(" (answered No: a service cannot ask)") : QString();
    sink(box.title + QStringLiteral(": ") + box.text + answered);
    return false;
}
