#include "modules/NameFile.h"

#include "platform/ExecutableFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace mdlGeneral {

namespace {

QString firstLine(const QByteArray& bytes) {
    const qsizetype end = bytes.indexOf('\n');
    const qsizetype cr = bytes.indexOf('\r');
    qsizetype cut = end < 0 ? bytes.size() : end;
    if (cr >= 0 && cr < cut)
        cut = cr;
    return QString::fromLocal8Bit(bytes.left(cut));
}

QString describe(const QFileDevice& file) {
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
}

} // namespace

QString nameFilePath() {
    return platform::executableFolder() + QStringLiteral("/kova.ini");
}

NameFileContent readNameFileContent() {
    QFile file(nameFilePath());
    if (!QFileInfo::exists(file.fileName()))
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {NameFileContent::Kind::Unreadable, {}, describe(file)};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {NameFileContent::Kind::Unreadable, {}, describe(file)};
    if (bytes.isEmpty())
        return {};
    return {NameFileContent::Kind::Name, firstLine(bytes), {}};
}

Result<> WriteNameFile(const QString& name, AgentState& state) {
    QSaveFile file(nameFilePath());
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(name.toLocal8Bit()) >= 0 && file.commit();
    if (!written)
        return Result<>::failure(describe(file));
    state.ComputerName = name;
    return Result<>::success();
}

} // namespace mdlGeneral
