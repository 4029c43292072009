#include "Startup.h"

#include "Wizard.h"
#include "platform/InstanceLock.h"
#include "platform/MessageBox.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

std::unique_ptr<Wizard> startProgram(const platform::InstanceLock &lock)
{
    if (!lock.acquired()) {
        platform::showNotice(nullptr, QStringLiteral("错误信息"),
                             QStringLiteral("程序已经运行在内存中 ！"), platform::BoxIcon::Error);
        return nullptr;
    }
    auto wizard = std::make_unique<Wizard>();
    wizard->start();
    return wizard;
}

void installChineseTranslation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Where the file is missing the program speaks Qt's English words and still starts.
    if (translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}
