#include "registry.h"

#include <windows.h>

namespace {

// The Windows registry itself.
class WindowsRegistry : public Registry
{
public:
    long RegOpenKeyExA(Key root, const QByteArray &subKey, quint32 access, Key &result) override
    {
        HKEY opened = nullptr;
        const LONG code = ::RegOpenKeyExA(reinterpret_cast<HKEY>(root), subKey.constData(), 0,
                                          REGSAM(access), &opened);
        result = reinterpret_cast<Key>(opened);
        return code;
    }

    long RegQueryValueExA(Key key, const QByteArray &valueName, quint32 &type, char *data,
                          quint32 &size) override
    {
        DWORD valueType = 0;
        DWORD dataSize = size;
        const LONG code = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.constData(),
                                             nullptr, &valueType, reinterpret_cast<BYTE *>(data),
                                             &dataSize);
        type = valueType;
        size = dataSize;
        return code;
    }

    long RegCloseKey(Key key) override { return ::RegCloseKey(reinterpret_cast<HKEY>(key)); }
};

} // namespace

Registry &systemRegistry()
{
    static WindowsRegistry registry;
    return registry;
}
