#include "SplitOptions.h"

#include "job/LayoutFile.h"

#include <QSet>

#ifndef SPLITTER_VERSION
#define SPLITTER_VERSION "0"
#endif

namespace {

// Each takes an option's value into the options; the reason when it cannot.
QString takeLayout(SplitOptions &options, const QString &value)
{
    options.layoutFile = value;
    return value.isEmpty() ? QStringLiteral("--layout 需要一个布局文件。") : QString();
}

QString takeParts(SplitOptions &options, const QString &value)
{
    // The same rule as step 1's parts box.
    const std::optional<int> parts = partsCount(value);
    options.parts = parts.value_or(0);
    return parts ? QString() : QStringLiteral("分割数量必须是 1 到 10 之间的整数！");
}

QString takeRotation(SplitOptions &options, const QString &value)
{
    bool ok = false;
    const int degrees = value.toInt(&ok);
    options.rotation = ok ? rotationOfDegrees(degrees) : std::nullopt;
    return options.rotation ? QString()
                            : QStringLiteral("旋转角度只能是 0、90、180 或 270：%1").arg(value);
}

QString takeFormat(SplitOptions &options, const QString &value)
{
    // The option's names are the format options' captions: bmp, tif, png, jpg.
    for (const OutputFormatInfo &info : outputFormats()) {
        if (value.compare(QLatin1String(info.caption), Qt::CaseInsensitive) == 0) {
            options.format = info.format;
            return QString();
        }
    }
    return QStringLiteral("保存格式只能是 bmp、tif、png 或 jpg：%1").arg(value);
}

QString takeThreads(SplitOptions &options, const QString &value)
{
    bool ok = false;
    options.threads = value.toInt(&ok);
    if (ok && options.threads >= 1 && options.threads <= maxThreads)
        return QString();
    return QStringLiteral("线程数必须是 1 到 %1 之间的整数：%2").arg(maxThreads).arg(value);
}

QString takeFolder(SplitOptions &options, const QString &value)
{
    options.folder = value.trimmed();
    return options.folder.isEmpty() ? QStringLiteral("--out 需要一个保存目录。") : QString();
}

struct ValueOption
{
    QLatin1String name;
    QString (*take)(SplitOptions &, const QString &);
};

const ValueOption valueOptions[] = {
    {QLatin1String("--layout"), takeLayout},   {QLatin1String("--parts"), takeParts},
    {QLatin1String("--rotate"), takeRotation}, {QLatin1String("--format"), takeFormat},
    {QLatin1String("--threads"), takeThreads}, {QLatin1String("--out"), takeFolder},
};

const ValueOption *valueOption(const QString &name)
{
    for (const ValueOption &option : valueOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

// What no single option can check.
QString missingOrClashing(const SplitOptions &options, const QSet<QString> &given)
{
    if (given.contains(QStringLiteral("--layout")) && given.contains(QStringLiteral("--parts")))
        return QStringLiteral("--layout 和 --parts 不能同时使用。");
    if (options.folder.isEmpty())
        return QStringLiteral("请用 --out 指定保存目录。");
    if (options.inputs.isEmpty())
        return QStringLiteral("请给出要分割的图片或目录。");
    return QString();
}

} // namespace

ParsedArguments parseSplitArguments(const QStringList &arguments)
{
    ParsedArguments parsed;
    QSet<QString> given;
    bool optionsEnded = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument.size() == 1) {
            parsed.options.inputs << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            parsed.request = CommandRequest::Help;
        } else if (argument == QLatin1String("--version")) {
            if (parsed.request != CommandRequest::Help)
                parsed.request = CommandRequest::Version;
        } else if (parsed.error.isEmpty()) {
            const qsizetype equals = argument.indexOf(QLatin1Char('='));
            const QString name = equals < 0 ? argument : argument.left(equals);
            const ValueOption *option = valueOption(name);
            if (!option) {
                parsed.error = QStringLiteral("未知的选项：%1").arg(argument);
            } else if (given.contains(name)) {
                parsed.error = QStringLiteral("选项 %1 只能给一次。").arg(name);
            } else if (equals < 0 && i + 1 >= arguments.size()) {
                parsed.error = QStringLiteral("选项 %1 缺少值。").arg(name);
            } else {
                given.insert(name);
                parsed.error = option->take(parsed.options, equals < 0 ? arguments.at(++i)
                                                                       : argument.mid(equals + 1));
            }
        }
    }
    if (parsed.error.isEmpty())
        parsed.error = missingOrClashing(parsed.options, given);
    return parsed;
}

QString usageText()
{
    return QStringLiteral(
        "用法：qinghe-split [--layout 文件 | --parts N] [--rotate 0|90|180|270]\n"
        "                   [--format bmp|tif|png|jpg] [--threads N] --out 目录 图片或目录...\n"
        "\n"
        "把每张图片按同一组分割框切开，裁剪后旋转，每块保存为“首字母 + 五位流水号 + 扩展名”\n"
        "（例如 A00001.BMP），与青禾图片分割器第3步保存的文件相同。\n"
        "\n"
        "选项：\n"
        "  --layout 文件    使用保存的分割布局（JSON 文件），旋转方式也取自布局\n"
        "  --parts N        分割数量 1 到 10（默认 4）：分割框按第2步的默认位置放在\n"
        "                   最后一张图片上\n"
        "  --rotate 角度    裁剪后顺时针旋转 0、90、180 或 270 度（默认 0，或布局中的角度）\n"
        "  --format 格式    保存格式：bmp、tif、png 或 jpg（默认 bmp）\n"
        "  --threads N      同时工作的线程数（默认每个处理器核心一个）\n"
        "  --out 目录       保存目录，必须已经存在并且可以写入；同名文件会被替换\n"
        "  -h, --help       显示本说明\n"
        "  --version        显示版本\n"
        "\n"
        "目录只加入其中的图片（BMP、GIF、JPG、TIF、PNG），不含子目录；全部图片按文件名的\n"
        "页码顺序排列，与拖进第1步窗口时相同。按 Ctrl+C 停止：正在保存的分割块会保存完，\n"
        "不再开始新的分割块。\n"
        "\n"
        "退出状态：0 全部保存；1 有图片无法读取或有分割块未能保存；2 命令行有误；\n"
        "130 被 Ctrl+C 停止。\n");
}

QString versionText()
{
    return QStringLiteral("qinghe-split %1（青禾图片分割器）\n")
        .arg(QLatin1String(SPLITTER_VERSION));
}
