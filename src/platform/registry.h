#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The system registry, reached the way the Windows API reaches it: open a key, read a value
// into a caller's buffer, close the key. Codes follow the API: 0 is success.
class Registry
{
public:
    using Key = quintptr;
    static constexpr Key LocalMachine = 0x80000002;
    static constexpr quint32 TextType = 1;   // REG_SZ
    static constexpr quint32 NumberType = 4; // REG_DWORD

    virtual ~Registry() = default;
    virtual long RegOpenKeyExA(Key root, const QByteArray &subKey, quint32 access, Key &result) = 0;
    // size: the buffer's size on entry, the value's size in bytes on return.
    virtual long RegQueryValueExA(Key key, const QByteArray &valueName, quint32 &type, char *data,
                                  quint32 &size) = 0;
    virtual long RegCloseKey(Key key) = 0;
};

// A registry held in memory: where the system has none, and for tests. Key paths and value
// names compare without case, as in the system registry.
class InProcessRegistry : public Registry
{
public:
    void setValue(Key root, const QByteArray &subKey, const QByteArray &valueName, quint32 type,
                  const QByteArray &data);

    long RegOpenKeyExA(Key root, const QByteArray &subKey, quint32 access, Key &result) override;
    long RegQueryValueExA(Key key, const QByteArray &valueName, quint32 &type, char *data,
                          quint32 &size) override;
    long RegCloseKey(Key key) override;

private:
    struct Value
    {
        quint32 type;
        QByteArray data;
    };
    QHash<QByteArray, QHash<QByteArray, Value>> m_keys; // "root\path" -> name -> value
    QHash<Key, QByteArray> m_open;
    Key m_nextHandle = 1;
};

// The registry of this system. Without a Windows registry it is an in-process one that knows
// only where the system information program is, when one is installed.
Registry &systemRegistry();
