#include "Status.h"

#include <array>

namespace imaging {

QString statusText(Status status)
{
    // In the order of the enumeration; in Chinese, as they reach the end-of-run report.
    static constexpr std::array<const char *, 9> texts = {
        "成功",     "一般错误", "参数无效", "内存不足", "找不到文件", "不是可读取的图片",
        "图片太大", "拒绝访问", "写入失败",
    };
    const auto index = size_t(status);
    return index < texts.size() ? QString::fromUtf8(texts[index]) : QStringLiteral("未知错误");
}

} // namespace imaging
