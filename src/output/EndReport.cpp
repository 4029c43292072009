#include "EndReport.h"

#include <QDir>

QString failureReport(const RunOutcome &outcome)
{
    if (outcome.startFailed)
        return QStringLiteral("图像库启动失败，没有分割任何图片！");
    if (outcome.unreadable.isEmpty() && outcome.unsaved.isEmpty())
        return {};
    QString text = QStringLiteral("有 %1 个图片无法读取，%2 个分割块未能保存：\n")
                       .arg(outcome.unreadable.size())
                       .arg(outcome.unsaved.size());
    const QStringList files = outcome.unreadable + outcome.unsaved;
    for (qsizetype i = 0; i < files.size() && i < reportedFilesMax; ++i)
        text += QStringLiteral("\n") + QDir::toNativeSeparators(files.at(i));
    if (files.size() > reportedFilesMax)
        text += QStringLiteral("\n……");
    return text;
}
