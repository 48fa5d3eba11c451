#include "open_handles.h"

std::vector<HANDLE> NextHandles()
{
    std::vector<HANDLE> handles;
    for (int i = 0; i < 16; i++)
        handles.push_back(CreateEventW(NULL, FALSE, FALSE, NULL));
    for (HANDLE handle : handles)
        CloseHandle(handle);
    return handles;
}
