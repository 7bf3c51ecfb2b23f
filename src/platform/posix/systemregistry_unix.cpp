#include "registry.h"

#include <QStandardPaths>

Registry &systemRegistry()
{
    static InProcessRegistry registry = [] {
        InProcessRegistry r;
        // The desktop's own system information programs, in order of preference.
        for (const char *program : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
            const QString path = QStandardPaths::findExecutable(QLatin1String(program));
            if (!path.isEmpty()) {
                r.setValue(Registry::LocalMachine, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                           "PATH", Registry::TextType, path.toLocal8Bit() + '\0');
                break;
            }
        }
        return r;
    }();
    return registry;
}
