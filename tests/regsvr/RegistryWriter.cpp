// SPDX-License-Identifier: Apache-2.0
// registry_test_writer NAME COUNT: sets COUNT values under
// HKEY_CURRENT_USER\Software\Concurrent\NAME, each as a change of its own.
#include "platform/Registry.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3)
        return 2;
    const QByteArray key = QByteArray("Software\\Concurrent\\") + argv[1];
    const int count = std::atoi(argv[2]);
    for (int i = 0; i < count; ++i) {
        HKEY handle = nullptr;
        const QByteArray name = "V" + QByteArray::number(i);
        const QByteArray text = QByteArray(argv[1]) + "." + name;
        if (RegCreateKeyA(HKEY_CURRENT_USER, key.constData(), &handle) != ERROR_SUCCESS ||
            RegSetValueExA(handle, name.constData(), 0, REG_SZ,
                           reinterpret_cast<const std::uint8_t *>(text.data()),
                           std::uint32_t(text.size() + 1)) != ERROR_SUCCESS) {
            std::fprintf(stderr, "%s: change %d failed\n", argv[1], i);
            return 1;
        }
        RegCloseKey(handle);
    }
    return 0;
}
