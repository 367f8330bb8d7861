// The plug-in's only exported function.
#include "command/sdkapi.h"
#include "sdk/quellport.h"
#include "shell/frmdvrconfig.h"
#include "shell/notifier.h"

#include <QApplication>

#include <memory>
#include <string>

#if defined(_WIN32)
#define DVRCONFIG_EXPORT
#else
#define DVRCONFIG_EXPORT __attribute__((visibility("default")))
#endif

extern "C" DVRCONFIG_EXPORT std::int32_t SDK_CALL show_modal_config(const char *text, std::int32_t loginHandle,
                                                                    std::int32_t reserved)
{
    (void)reserved;
    // The host's application object when it has one; otherwise one of our own for this call.
    std::unique_ptr<QApplication> own;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "dvrconfig";
        static char *argv[] = {name, nullptr};
        own = std::make_unique<QApplication>(argc, argv);
    } else if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        return 1; // a host without widgets cannot show a dialog
    }
    std::string missing;
    if (!sdk_load(&missing)) {
        showMessage(nullptr, QStringLiteral("无法找到客户端SDK的函数: %1").arg(QString::fromStdString(missing)));
        return 1;
    }
    TfrmDvrConfig dialog(text, loginHandle);
    dialog.exec();
    return 1;
}
