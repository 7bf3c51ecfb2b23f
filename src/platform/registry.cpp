#include "registry.h"

#include <cstring>

namespace {

constexpr long kNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr long kInvalidHandle = 6;  // ERROR_INVALID_HANDLE
constexpr long kMoreData = 234;     // ERROR_MORE_DATA

QByteArray keyName(Registry::Key root, const QByteArray &subKey)
{
    return QByteArray::number(quint64(root)) + '\\' + subKey.toLower();
}

} // namespace

void InProcessRegistry::setValue(Key root, const QByteArray &subKey, const QByteArray &valueName,
                                 quint32 type, const QByteArray &data)
{
    m_keys[keyName(root, subKey)].insert(valueName.toLower(), {type, data});
}

long InProcessRegistry::RegOpenKeyExA(Key root, const QByteArray &subKey, quint32, Key &result)
{
    const QByteArray name = keyName(root, subKey);
    if (!m_keys.contains(name))
        return kNotFound;
    result = m_nextHandle++;
    m_open.insert(result, name);
    return 0;
}

long InProcessRegistry::RegQueryValueExA(Key key, const QByteArray &valueName, quint32 &type,
                                         char *data, quint32 &size)
{
    const auto open = m_open.constFind(key);
    if (open == m_open.cend())
        return kInvalidHandle;
    const auto values = m_keys.constFind(*open);
    const auto value = values->constFind(valueName.toLower());
    if (value == values->cend())
        return kNotFound;
    type = value->type;
    const quint32 needed = quint32(value->data.size());
    if (needed > size) {
        size = needed;
        return kMoreData;
    }
    std::memcpy(data, value->data.constData(), needed);
    size = needed;
    return 0;
}

long InProcessRegistry::RegCloseKey(Key key)
{
    return m_open.remove(key) ? 0 : kInvalidHandle;
}
