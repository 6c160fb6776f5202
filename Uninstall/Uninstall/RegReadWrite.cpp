#include "RegReadWrite.h"
#include "UniqueResource.h"

namespace {
// Values whose data, counting its null, is longer than this are not read.
constexpr DWORD kValueBufferSize = 1024;
} // namespace

AnsiText RegistryStringFromData(DWORD type, const char* data, DWORD size)
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return AnsiText();
    if (size > 0 && data[size - 1] == '\0')
        --size;
    return AnsiText(data, size);
}

AnsiText RegRead(const char* keyName, const char* valueName, HKEY root, REGSAM view)
{
    UniqueRegKey key;
    if (RegOpenKeyExA(root, keyName, 0, KEY_READ | view, key.put()) != ERROR_SUCCESS)
        return AnsiText();

    char buffer[kValueBufferSize];
    DWORD size = kValueBufferSize;
    DWORD type = REG_SZ;
    if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS)
        return AnsiText();
    AnsiText text = RegistryStringFromData(type, buffer, size);
    if (type != REG_EXPAND_SZ)
        return text;
    // As the shell does: "%ProgramFiles%\..." names a file only once expanded.
    char expanded[kValueBufferSize];
    DWORD needed = ExpandEnvironmentStringsA(text.c_str(), expanded, kValueBufferSize);
    return needed && needed <= kValueBufferSize ? AnsiText(expanded) : AnsiText();
}

AnsiText RegReadFallingBackToView(const char* keyName, const char* valueName, HKEY root, REGSAM fallbackView)
{
    AnsiText value = RegRead(keyName, valueName, root);
    return value.empty() ? RegRead(keyName, valueName, root, fallbackView) : value;
}
