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

QString takeFirstPicture(SplitOptions &options, const QString &value)
{
    bool ok = false;
    options.firstPicture = value.trimmed().toLongLong(&ok);
    if (ok && options.firstPicture >= 1 && options.firstPicture <= maxFirstPicture)
        return QString();
    return QStringLiteral("--first-picture 必须是 1 到 %1 之间的整数：%2")
        .arg(maxFirstPicture)
        .arg(value);
}

QString takePdfDpi(SplitOptions &options, const QString &value)
{
    bool ok = false;
    options.pdfDpi = value.trimmed().toInt(&ok);
    if (ok && options.pdfDpi >= minPdfDpi && options.pdfDpi <= maxPdfDpi)
        return QString();
    return QStringLiteral("--pdf-dpi 必须是 %1 到 %2 之间的整数：%3")
        .arg(minPdfDpi)
        .arg(maxPdfDpi)
        .arg(value);
}

QString takeManifest(SplitOptions &options, const QString &value)
{
    options.manifest = value;
    return value.isEmpty() ? QStringLiteral("--manifest 需要一个文件。") : QString();
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
    {QLatin1String("--layout"), takeLayout},
    {QLatin1String("--parts"), takeParts},
    {QLatin1String("--rotate"), takeRotation},
    {QLatin1String("--format"), takeFormat},
    {QLatin1String("--threads"), takeThreads},
    {QLatin1String("--out"), takeFolder},
    {QLatin1String("--first-picture"), takeFirstPicture},
    {QLatin1String("--manifest"), takeManifest},
    {QLatin1String("--pdf-dpi"), takePdfDpi},
};

// Options that take no value.
struct Switch
{
    QLatin1String name;
    bool SplitOptions::*flag;
};

const Switch switches[] = {
    {QLatin1String("--skip-existing"), &SplitOptions::skipExisting},
    {QLatin1String("--dry-run"), &SplitOptions::dryRun},
    {QLatin1String("--keep-depth"), &SplitOptions::keepDepth},
    {QLatin1String("--pdf"), &SplitOptions::makeBooks},
};

const Switch *switchOption(const QString &name)
{
    for (const Switch &option : switches) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

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
    // A dry run writes nothing, not even a record.
    if (options.dryRun && !options.manifest.isEmpty())
        return QStringLiteral("--dry-run 和 --manifest 不能同时使用。");
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
            const Switch *flag = switchOption(name);
            if (!option && !flag) {
                parsed.error = QStringLiteral("未知的选项：%1").arg(argument);
            } else if (given.contains(name)) {
                parsed.error = QStringLiteral("选项 %1 只能给一次。").arg(name);
            } else if (flag) {
                given.insert(name);
                parsed.options.*(flag->flag) = true;
                if (equals >= 0)
                    parsed.error = QStringLiteral("选项 %1 不带值。").arg(name);
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
               "                   [--format bmp|tif|png|jpg] [--threads N] [--first-picture K]\n"
               "                   [--skip-existing] [--dry-run] [--manifest 文件]\n"
               "                   [--keep-depth] [--pdf] [--pdf-dpi N]\n"
               "                   --out 目录 图片或目录...\n"
               "\n"
               "把每张图片按同一组分割框切开，裁剪后旋转，每块保存为“首字母 + 五位流水号 + "
               "扩展名”\n"
               "（例如 A00001.BMP），与青禾图片分割器第3步保存的文件相同。\n"
               "\n"
               "选项：\n"
               "  --layout 文件    使用保存的分割布局（JSON 文件）；旋转方式取自布局，--rotate\n"
               "                   只能给出与布局相同的角度\n"
               "  --parts N        分割数量 1 到 10（默认 4）：分割框按第2步的默认位置放在\n"
               "                   最后一张图片上\n"
               "  --rotate 角度    裁剪后顺时针旋转 0、90、180 或 270 度（默认 "
               "0，或布局中的角度）\n"
               "  --format 格式    保存格式：bmp、tif、png 或 jpg（默认 bmp）\n"
               "  --threads N      同时工作的线程数（默认每个处理器核心一个）\n"
               "  --out 目录       保存目录，必须已经存在并且可以写入。同名的旧文件会被替换；\n"
               "                   某个分割块未能保存时，它名下的旧文件会被删除（以免被当作这次\n"
               "                   的结果），结束时报告删除了几个\n"
               "  --first-picture K  给出的第一张图片是整批中的第 K 张（默认 1），流水号从这张\n"
               "                   图片算起，多台机器分段切割同一批图片时文件名与一次切割相同\n"
               "  --skip-existing  已经存在的分割块不再切割（保存时先写临时文件再改名，已有的文件\n"
               "                   都是完整的），用于继续被中断的切割\n"
               "  --dry-run        "
               "只列出每个分割块（文件名、图片、分割框、矩形），不切割，不写文件\n"
               "  --manifest 文件  结束时（包括被停止时）写出清单：JSON Lines，每个分割块一行，\n"
               "                   含文件名、图片、图片序号、分割框、旋转后的矩形、状态、原因和\n"
               "                   SHA-256\n"
               "  --keep-depth     保持黑白、灰度图片的颜色深度：黑白（1 位）图片的分割块仍为黑白\n"
               "                   （TIF 用 CCITT G4 压缩，JPG 为 8 "
               "位灰度），灰度图片的分割块仍为\n"
               "                   8 位灰度；彩色和调色板图片仍保存为 24 位\n"
               "  --pdf            同时为每本书生成一个 PDF 文件：每个首字母的分割块按流水号顺序\n"
               "                   成为保存目录中“首字母.pdf”的各页（例如 A.pdf），不重新压缩\n"
               "  --pdf-dpi N      PDF 中不是一张扫描图片的页面按 N dpi 绘制（默认 300，%1 到 "
               "%2）\n"
               "  -h, --help       显示本说明\n"
               "  --version        显示版本\n"
               "\n"
               "目录只加入其中的图片（BMP、GIF、JPG、TIF、PNG）和 PDF 文件，不含子目录；全部图片\n"
               "按文件名的页码顺序排列，与拖进第1步窗口时相同。多页的 TIF 和 PDF 文件每页是一张\n"
               "图片，按页的顺序排列；PDF 中扫描的页面按图片本身的像素切割。按 Ctrl+C（或收到 "
               "SIGTERM、SIGHUP）停止：\n"
               "正在保存的分割块会保存完，不再开始新的分割块；再按一次立即退出。\n"
               "\n"
               "退出状态：0 全部保存；1 有图片无法读取、有分割块未能保存或一块也没有保存；\n"
               "2 拒绝运行，没有切割任何图片（命令行有误、找不到图片或目录、布局文件或样本图片\n"
               "无法使用、保存目录不可用、分割块总数超过 99999）；128 + 信号编号 被停止\n"
               "（Ctrl+C 为 130）。\n")
        .arg(minPdfDpi)
        .arg(maxPdfDpi);
}

QString versionText()
{
    return QStringLiteral("qinghe-split %1（青禾图片分割器）\n")
        .arg(QLatin1String(SPLITTER_VERSION));
}
