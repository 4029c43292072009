#include "Module1.h"

#include "platform/MessageBox.h"

#include <cstdlib>

std::vector<FrameRect> frameRects;
platform::ImagingToken gdipToken = 0;
std::unique_ptr<platform::Picture> gdipImage;
std::unique_ptr<platform::Graphics> gdipGraphics;
QString lastFolder;

namespace {

void exitNow()
{
    std::exit(EXIT_FAILURE);
}

std::function<void()> &fatalEnd()
{
    static std::function<void()> end = exitNow;
    return end;
}

} // namespace

void setFatalEnd(std::function<void()> end)
{
    fatalEnd() = end ? std::move(end) : std::function<void()>(exitNow);
}

bool LoadGdiPlus()
{
    if (platform::Imaging::startup(gdipToken) == platform::Status::Ok)
        return true;
    platform::showNotice(nullptr, QStringLiteral("加载错误"), QStringLiteral("加载GDI+失败！"),
                         platform::BoxIcon::Critical);
    fatalEnd()();
    return false;
}

void UnloadGdiPlus()
{
    gdipImage.reset();
    gdipGraphics.reset();
    platform::Imaging::shutdown(gdipToken);
}

namespace ui {

QString windowTitle(const QString &step)
{
    return QStringLiteral("青禾图片分割器 1.2－") + step + QStringLiteral("  (开源版 2026-12)");
}

} // namespace ui
