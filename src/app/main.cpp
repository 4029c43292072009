#include "app/Startup.h"
#include "app/Wizard.h"
#include "platform/ComboBoxAccessible.h"
#include "platform/InstanceLock.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("net.qinghe.splitter"));
    installChineseTranslation();
    platform::nameComboBoxesOnTheBus();
    // The layouts are drawn for 12-pixel Chinese text: a CJK font of Linux, else of
    // Windows (微软雅黑, 宋体).
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Microsoft YaHei"), QStringLiteral("SimSun"), font.family()});
    font.setPixelSize(12);
    QApplication::setFont(font);

    const platform::InstanceLock lock(QStringLiteral("qinghe-splitter"));
    const std::unique_ptr<Wizard> wizard = startProgram(lock);
    if (!wizard)
        return 0;
    return app.exec();
}
