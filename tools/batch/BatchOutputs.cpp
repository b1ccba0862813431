// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/BatchOutputs.h"

#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

struct Text
{
    Q_DECLARE_TR_FUNCTIONS(BatchOutputs)
};

/// `path` with links resolved as far as it exists, the rest as given.
QString resolved(const QString &path)
{
    QString existing = QFileInfo(path).absoluteFilePath();
    QString rest;
    while (!QFileInfo::exists(existing) && existing != QLatin1String("/")) {
        const QFileInfo info(existing);
        rest = QLatin1Char('/') + info.fileName() + rest;
        existing = info.absolutePath();
    }
    return QDir::cleanPath(QFileInfo(existing).canonicalFilePath() + rest);
}

/// The deepest folder of `path` that exists.
QString existingAncestor(const QString &path)
{
    QString folder = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(folder) && folder != QLatin1String("/"))
        folder = QFileInfo(folder).absolutePath();
    return folder;
}

QString pdfFolderProblem(const BatchOptions &options)
{
    const QString &directory = options.pdfDirectory;
    const QFileInfo info(directory);
    if (info.exists() && !info.isDir())
        return Text::tr("Not a folder");
    // PDFs among the inputs would be mixed with the devices' own files and
    // taken up by the next run over that folder.
    const QString target = resolved(directory);
    for (const QString &input : options.inputs) {
        if (input.startsWith(QLatin1Char('@')) || !QFileInfo(input).isDir())
            continue;
        const QString folder = resolved(input);
        if (target == folder || target.startsWith(folder + QLatin1Char('/')))
            return Text::tr("It is inside the input folder %1").arg(input);
    }
    return SafeFile::directoryProblem(existingAncestor(directory));
}

} // namespace

QString checkBatchOutputs(const BatchOptions &options, const QList<BatchDevice> &devices)
{
    for (const QString &input : options.inputs) {
        if (input.startsWith(QLatin1Char('@')))
            SafeFile::addInput(input.mid(1));
    }
    for (const BatchDevice &device : devices)
        SafeFile::addInput(device.path);
    if (!options.summaryPath.isEmpty()) {
        QString problem = SafeFile::targetProblem(options.summaryPath);
        if (problem.isEmpty())
            problem = SafeFile::directoryProblem(QFileInfo(options.summaryPath).absolutePath());
        if (!problem.isEmpty())
            return Text::tr("--summary %1: %2").arg(options.summaryPath, problem);
    }
    if (!options.pdfDirectory.isEmpty()) {
        if (const QString problem = pdfFolderProblem(options); !problem.isEmpty())
            return Text::tr("--pdf %1: %2").arg(options.pdfDirectory, problem);
    }
    return {};
}
