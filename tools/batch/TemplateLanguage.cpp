// SPDX-License-Identifier: Apache-2.0
#include "tools/batch/TemplateLanguage.h"

#include "host/DeviceFile.h"
#include "host/DeviceModel.h"
#include "hostaccess/HostAccess.h"
#include "platform/BStr.h"
#include "platform/ComError.h"
#include "printfile/TemplatePrintFile.h"
#include "resources/Language.h"

#include <QFileInfo>

QString otherLanguageTemplate(const QString &descriptionPath)
{
    DeviceModel model;
    DeviceFileError error;
    if (!loadDevice(descriptionPath, QString(), model, &error))
        return {};
    const ComPtr<AppItemManager> itemManager = model.itemManager();
    BStr setting;
    std::int32_t failed = 0;
    try {
        const ComPtr<AppDeviceDescription> description = HostAccess::deviceDescription(itemManager.get());
        if (FAILED(description->GetSettingEntry(BStr(QStringLiteral("PRINTTEMPLATEFILE")).get(),
                                                setting.put(), &failed)) ||
            failed != 0)
            return {};
    } catch (const ComError &) {
        return {};
    }
    const QString stem = setting.toQString().section(u'.', 0, 0);
    if (stem.isEmpty())
        return {};
    const QString directory = QFileInfo(descriptionPath).absolutePath() + u'/';
    const QString chosen = GetLanguageCode();
    const QString other = chosen == QLatin1String("049") ? QStringLiteral("001") : QStringLiteral("049");
    if (!findTemplate(directory, stem + chosen + QStringLiteral(".HTM")).isEmpty())
        return {};
    return findTemplate(directory, stem + other + QStringLiteral(".HTM"));
}
