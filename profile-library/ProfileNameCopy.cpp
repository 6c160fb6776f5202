#include "ProfileNameCopy.h"

void CopyProfileName(char* buffer, const char* name)
{
    size_t i = 0;
    for (; name && name[i] && i + 1 < kProfileNameBufferSize; ++i)
        buffer[i] = name[i];
    buffer[i] = '\0';
}
